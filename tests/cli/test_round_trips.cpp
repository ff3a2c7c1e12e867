#include "profiles/user_list.h"
#include "store/activity_file.h"
#include "tests/support/builders.h"
#include "tests/support/kinetrax_command.h"
#include "tests/support/temp_data_dir.h"

#include <QTemporaryDir>
#include <QtTest>

// What leaves through export comes back through import unchanged: export, import into an empty user of
// the same units, export again, byte for byte, in both formats.
class TestRoundTrips : public QObject {
    Q_OBJECT

    QTemporaryDir lockDir_;

    CommandRun run(const TempDataDir& dir, const QStringList& arguments, const QString& locale)
    {
        QProcessEnvironment env;
        env.insert(QStringLiteral("LC_ALL"), locale);
        env.insert(QStringLiteral("LANG"), locale);
        return RunKinetrax(QStringLiteral(KX_KINETRAX_PATH), arguments, dir.path(), lockDir_.path(), QByteArray(), env);
    }

private slots:
    void exportImportExport_data()
    {
        QTest::addColumn<int>("metric");
        QTest::addColumn<QString>("locale");
        // The German locale writes a decimal comma and groups with dots; neither may reach the files.
        QTest::newRow("metric") << 1 << "C.UTF-8";
        QTest::newRow("imperial") << 0 << "C.UTF-8";
        QTest::newRow("metric, German locale") << 1 << "de_DE.UTF-8";
    }

    void exportImportExport()
    {
        QFETCH(int, metric);
        QFETCH(QString, locale);
        TempDataDir dir;
        const QString from = QStringLiteral("Zoë Ångström 李");
        const QString to = QStringLiteral("Empty");
        ClientList clients = {Client(from, 1, 30, 170, 60, 65, 8000, metric, 1),
                              Client(to, 2, 40, 180, 80, 75, 9000, metric, 1)};
        QVERIFY(dir.write(QLatin1String(UserListFileName), UserListBytes(clients)));
        // File order is not date order; a day without a target takes the one before it; the limits of
        // every exported field; the first and the last day a key can name as a date.
        const DayRecordList history = {
            Day(20100722, 12345, 10000, 876, 4567, 95),
            Day(20100720, 0, 0, 0, 0, 0),
            Day(20100721, 5, 0, 5, 7, 1),
            Day(99991231, 4294967295u, 4294967295u, 4294967295u, 4294967295u, 4294967295u),
            Day(10101, 1, 1, 100, 10, 0),
            Day(20240229, 7000, 8000, 123456, 10, 60),
        };
        QVERIFY(dir.write(from + QStringLiteral(".bin"), DayRecordsToBytes(history)));

        for (const QString& format : {QStringLiteral("csv"), QStringLiteral("json")}) {
            const CommandRun first = run(dir, {QStringLiteral("export"), QStringLiteral("--user"), from,
                                               QStringLiteral("--format"), format}, locale);
            QCOMPARE(first.Status, 0);
            QVERIFY(first.Out.size() > 100);
            if (format == QLatin1String("csv")) {
                QVERIFY(dir.write(QStringLiteral("out.csv"), first.Out));
                const CommandRun imported
                    = run(dir, {QStringLiteral("import"), QStringLiteral("--user"), to, dir.filePath(QStringLiteral("out.csv"))}, locale);
                QVERIFY2(imported.Status == 0, imported.Err.constData());
                QVERIFY2(imported.Out.contains("6 days added"), imported.Out.constData());
            }
            const CommandRun again = run(dir, {QStringLiteral("export"), QStringLiteral("--user"), to,
                                               QStringLiteral("--format"), format}, locale);
            QCOMPARE(again.Status, 0);
            QCOMPARE(again.Out, first.Out);
        }
    }
};

QTEST_GUILESS_MAIN(TestRoundTrips)
#include "test_round_trips.moc"
