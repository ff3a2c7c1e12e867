#include "export/json_export.h"
#include "tests/support/builders.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QTest>

#include <clocale>

class JsonExportTest : public QObject {
    Q_OBJECT

private slots:
    void recordObject_data()
    {
        QTest::addColumn<TBINFile>("record");
        QTest::addColumn<QByteArray>("object");
        QTest::newRow("typical day")
            << Day(20100722, 12345, 10000, 876, 4567, 95, 3000, 25)
            << QByteArray("{\"date\":\"2010-07-22\",\"date_key\":20100722,\"steps\":12345,\"target_steps\":10000,"
                          "\"distance\":8.76,\"distance_unit\":\"km\",\"calories\":456.7,\"walking_time\":95,"
                          "\"cardio_steps\":3000,\"cardio_time\":25}");
        QTest::newRow("small distance and calories")
            << Day(20240101, 1, 0, 5, 7)
            << QByteArray("{\"date\":\"2024-01-01\",\"date_key\":20240101,\"steps\":1,\"target_steps\":0,"
                          "\"distance\":0.05,\"distance_unit\":\"km\",\"calories\":0.7,\"walking_time\":0,"
                          "\"cardio_steps\":0,\"cardio_time\":0}");
        QTest::newRow("round distance and calories")
            << Day(20240102, 0, 5000, 100, 10, 1)
            << QByteArray("{\"date\":\"2024-01-02\",\"date_key\":20240102,\"steps\":0,\"target_steps\":5000,"
                          "\"distance\":1.00,\"distance_unit\":\"km\",\"calories\":1.0,\"walking_time\":1,"
                          "\"cardio_steps\":0,\"cardio_time\":0}");
        QTest::newRow("largest values stay unsigned and ungrouped")
            << Day(20991231, 4294967295u, 4294967295u, 4294967295u, 4294967295u, 4294967295u, 4294967295u, 4294967295u)
            << QByteArray("{\"date\":\"2099-12-31\",\"date_key\":20991231,\"steps\":4294967295,"
                          "\"target_steps\":4294967295,\"distance\":42949672.95,\"distance_unit\":\"km\","
                          "\"calories\":429496729.5,\"walking_time\":4294967295,\"cardio_steps\":4294967295,"
                          "\"cardio_time\":4294967295}");
        QTest::newRow("a key that is no calendar day keeps its key")
            << Day(20100230, 1)
            << QByteArray("{\"date\":null,\"date_key\":20100230,\"steps\":1,\"target_steps\":0,\"distance\":0.00,"
                          "\"distance_unit\":\"km\",\"calories\":0.0,\"walking_time\":0,\"cardio_steps\":0,"
                          "\"cardio_time\":0}");
        QTest::newRow("zero key") << Day(0, 0)
                                  << QByteArray("{\"date\":null,\"date_key\":0,\"steps\":0,\"target_steps\":0,"
                                                "\"distance\":0.00,\"distance_unit\":\"km\",\"calories\":0.0,"
                                                "\"walking_time\":0,\"cardio_steps\":0,\"cardio_time\":0}");
        QTest::newRow("year below 1000 has four digits")
            << Day(9991231, 0) << QByteArray("{\"date\":\"0999-12-31\",\"date_key\":9991231,\"steps\":0,\"target_steps\":0,"
                                            "\"distance\":0.00,\"distance_unit\":\"km\",\"calories\":0.0,"
                                            "\"walking_time\":0,\"cardio_steps\":0,\"cardio_time\":0}");
        QTest::newRow("year beyond 9999 has no ISO date")
            << Day(100000101, 0) << QByteArray("{\"date\":null,\"date_key\":100000101,\"steps\":0,\"target_steps\":0,"
                                              "\"distance\":0.00,\"distance_unit\":\"km\",\"calories\":0.0,"
                                              "\"walking_time\":0,\"cardio_steps\":0,\"cardio_time\":0}");
    }

    void recordObject()
    {
        QFETCH(TBINFile, record);
        QFETCH(QByteArray, object);
        QCOMPARE(JsonExportBytes({record}, true), "[\n" + object + "\n]\n");
    }

    void arrayKeepsTheOrderAndNamesTheUnit()
    {
        QCOMPARE(JsonExportBytes({}, true), QByteArray("[]\n"));
        QCOMPARE(JsonExportBytes({}, false), QByteArray("[]\n"));

        const DayRecordList records = {Day(20100723, 2, 0, 150), Day(20100722, 1, 0, 876), Day(20100724, 3)};
        const QByteArray imperial = JsonExportBytes(records, false);
        const QList<QByteArray> lines = imperial.split('\n');
        QCOMPARE(lines.size(), 6); // "[", three objects, "]", and the empty text after the last line feed
        QCOMPARE(lines[0], QByteArray("["));
        QVERIFY(lines[1].startsWith("{\"date\":\"2010-07-23\"") && lines[1].endsWith("},"));
        QVERIFY(lines[2].startsWith("{\"date\":\"2010-07-22\"") && lines[2].endsWith("},"));
        QVERIFY(lines[3].startsWith("{\"date\":\"2010-07-24\"") && lines[3].endsWith("}"));
        QCOMPARE(lines[4], QByteArray("]"));
        QCOMPARE(imperial.count("\"distance_unit\":\"mile\""), 3);
        QCOMPARE(imperial.count("km"), 0);

        // What a JSON reader makes of it.
        QJsonParseError error;
        const QJsonDocument document = QJsonDocument::fromJson(imperial, &error);
        QCOMPARE(error.error, QJsonParseError::NoError);
        const QJsonArray array = document.array();
        QCOMPARE(array.size(), 3);
        QCOMPARE(array[1].toObject().value(QStringLiteral("distance")).toDouble(), 8.76);
        QCOMPARE(array[0].toObject().value(QStringLiteral("distance")).toDouble(), 1.5);
        QCOMPARE(array[2].toObject().value(QStringLiteral("date")).toString(), QStringLiteral("2010-07-24"));
    }

    void bytesDoNotDependOnTheLocale()
    {
        const DayRecordList records = {Day(20100722, 1234567, 10000, 123456, 98765, 1440, 2500, 30),
                                       Day(20100230, 5, 0, 5, 7)};
        const QByteArray plain = JsonExportBytes(records, true);
        // Qt's default locale takes effect whatever the system has installed; the C library's only when
        // de_DE is installed, which setlocale then reports.
        const QLocale oldLocale;
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        const QByteArray oldC = std::setlocale(LC_ALL, nullptr);
        const bool cGerman = std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr;
        const QByteArray german = JsonExportBytes(records, true);
        std::setlocale(LC_ALL, oldC.constData());
        QLocale::setDefault(oldLocale);
        if (!cGerman)
            qInfo("de_DE.UTF-8 is not installed: only Qt's default locale was German");
        QCOMPARE(german, plain);
        QVERIFY(plain.contains("\"steps\":1234567,") && plain.contains("\"distance\":1234.56,"));
    }
};

QTEST_APPLESS_MAIN(JsonExportTest)
#include "test_json_export.moc"
