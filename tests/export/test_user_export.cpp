#include "export/user_export.h"
#include "catalog/catalog_file.h"
#include "profiles/pending_work.h"
#include "profiles/user_list.h"
#include "store/activity_file.h"
#include "store/merge.h"
#include "tests/support/builders.h"
#include "tests/support/temp_data_dir.h"

#include <QDir>
#include <QTest>

#include <limits>

namespace {

const uint32_t Open = std::numeric_limits<uint32_t>::max();

TClient ImperialClient(const QString& name)
{
    return Client(name, 2, 40, 510, 180, 30, 9000, 0, 1);
}

} // namespace

// Reading a user's records for the export, and nothing written while doing it.
class UserExportTest : public QObject {
    Q_OBJECT

private slots:
    void choosesTheUser()
    {
        TempDataDir dir;
        const QString other = QStringLiteral("Zoë Ångström 李");
        QVERIFY(dir.write(QLatin1String(UserListFileName), UserListBytes({MetricClient("Anna"), ImperialClient(other)})));
        QVERIFY(dir.write("Anna.bin", DayRecordsToBytes({Day(20100722, 1, 9000)})));
        QVERIFY(dir.write(other + ".bin", DayRecordsToBytes({Day(20100723, 2, 0, 150), Day(20100724, 3)})));

        const UserExportSource first = LoadUserExportSource(dir.path(), QString());
        QVERIFY2(first.Ok, qPrintable(first.Error));
        QCOMPARE(first.UserName, QStringLiteral("Anna"));
        QVERIFY(first.Metric);
        QCOMPARE(first.Records, DayRecordList({Day(20100722, 1, 9000)}));

        const UserExportSource named = LoadUserExportSource(dir.path(), other);
        QVERIFY2(named.Ok, qPrintable(named.Error));
        QVERIFY(!named.Metric);
        QCOMPARE(named.Records.size(), size_t(2));

        const UserExportSource unknown = LoadUserExportSource(dir.path(), QStringLiteral("anna"));
        QVERIFY(!unknown.Ok);
        QCOMPARE(unknown.Error, QStringLiteral("no user 'anna'; the users are: Anna, ") + other);
    }

    void failures_data()
    {
        QTest::addColumn<QByteArray>("list");
        QTest::addColumn<bool>("binIsADirectory");
        QTest::addColumn<QByteArray>("catalog");
        QTest::addColumn<QString>("error");
        const QByteArray anna = UserListBytes({MetricClient("Anna")});
        QTest::newRow("no list") << QByteArray() << false << QByteArray() << "no profiles: ";
        QTest::newRow("no profiles") << UserListBytes({}) << false << QByteArray() << "no profiles in ";
        QTest::newRow("a listed name that would leave the directory")
            << UserListBytes({MetricClient("../Anna")}) << false << QByteArray()
            << "The profile \"../Anna\" cannot be used.";
        QTest::newRow("unreadable activity file") << anna << true << QByteArray() << "Cannot read ";
        QTest::newRow("damaged catalog") << anna << false << QByteArray("[SoftName]\r\n") << "";
    }

    void failures()
    {
        QFETCH(QByteArray, list);
        QFETCH(bool, binIsADirectory);
        QFETCH(QByteArray, catalog);
        QFETCH(QString, error);
        TempDataDir dir;
        if (!list.isNull())
            QVERIFY(dir.write(QLatin1String(UserListFileName), list));
        if (binIsADirectory)
            QVERIFY(QDir(dir.path()).mkdir("Anna.bin"));
        if (!catalog.isNull())
            QVERIFY(dir.write(QLatin1String(CatalogFileName), catalog));
        const UserExportSource source = LoadUserExportSource(dir.path(), QString());
        QVERIFY(!source.Ok);
        QVERIFY2(!source.Error.isEmpty() && source.Error.startsWith(error), qPrintable(source.Error));
    }

    void aNewProfileHasNoRecordsAndNothingIsCreated()
    {
        TempDataDir dir;
        QVERIFY(dir.write(QLatin1String(UserListFileName), UserListBytes({MetricClient("Anna")})));
        const UserExportSource source = LoadUserExportSource(dir.path(), QString());
        QVERIFY2(source.Ok, qPrintable(source.Error));
        QVERIFY(source.Records.empty());
        // The defaults stand in for the missing catalog, which is not written.
        QCOMPARE(source.Catalog.CSVFileHead, DefaultCatalog().CSVFileHead);
        QCOMPARE(source.Catalog.Units, DefaultCatalog().Units);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QLatin1String(UserListFileName)});
    }

    void readsTheCatalogAndFillsTargetsAsTheProgramDoes()
    {
        TempDataDir dir;
        QByteArray catalog = DefaultCatalogBytes();
        catalog.replace("Date,Steps,Target Step,Distance(", "Datum,Schritte,Ziel,Strecke(");
        QVERIFY(dir.write(QLatin1String(CatalogFileName), catalog));
        QVERIFY(dir.write(QLatin1String(UserListFileName), UserListBytes({MetricClient("Anna")})));
        QVERIFY(dir.write("Anna.bin", DayRecordsToBytes({Day(20100720, 1, 8000), Day(20100721, 2), Day(20100722, 0),
                                                         Day(20100723, 3)})
                                          + "tail")); // a trailing partial record is ignored
        const UserExportSource source = LoadUserExportSource(dir.path(), QString());
        QVERIFY2(source.Ok, qPrintable(source.Error));
        QCOMPARE(source.Catalog.CSVFileHead[0], QStringLiteral("Datum,Schritte,Ziel,Strecke("));
        QCOMPARE(source.Records, DayRecordList({Day(20100720, 1, 8000), Day(20100721, 2, 8000), Day(20100722, 0),
                                                Day(20100723, 3, 0)}));
    }

    // A change of units stops between writing the activity file and the list: the file's distances are
    // in the pending profile's units, and the export must name those, not the list's.
    void unitsOfAnUnfinishedConversion_data()
    {
        QTest::addColumn<bool>("fileConverted");
        QTest::addColumn<bool>("metric");
        QTest::newRow("file converted, list not yet") << true << false;
        QTest::newRow("file not converted yet") << false << true;
    }

    void unitsOfAnUnfinishedConversion()
    {
        QFETCH(bool, fileConverted);
        QFETCH(bool, metric);
        TempDataDir dir;
        QVERIFY(dir.write(QLatin1String(UserListFileName), UserListBytes({MetricClient("Anna"), MetricClient("Ben")})));
        const QByteArray before = DayRecordsToBytes({Day(20100722, 1000, 0, 1609)});
        const QByteArray after = ConvertedActivityBytes(before, false);
        QVERIFY(after != before);
        PendingWork work;
        work.Conversion = PendingConversion{ActivityHash(before), ActivityHash(after), ImperialClient("Anna")};
        QVERIFY(SavePendingWork(dir.filePath(QLatin1String(PendingWorkFileName)), work));
        QVERIFY(dir.write("Anna.bin", fileConverted ? after : before));
        QVERIFY(dir.write("Ben.bin", after)); // the same bytes, but not the user being converted

        const UserExportSource anna = LoadUserExportSource(dir.path(), QStringLiteral("Anna"));
        QVERIFY2(anna.Ok, qPrintable(anna.Error));
        QCOMPARE(anna.Metric, metric);
        QCOMPARE(anna.Records, DayRecordsFromBytes(fileConverted ? after : before));
        const UserExportSource ben = LoadUserExportSource(dir.path(), QStringLiteral("Ben"));
        QVERIFY(ben.Ok && ben.Metric);
    }

    void range_data()
    {
        QTest::addColumn<uint32_t>("from");
        QTest::addColumn<uint32_t>("to");
        QTest::addColumn<QList<uint32_t>>("keys");
        QTest::newRow("everything, sorted, equal keys in file order")
            << 0u << Open << QList<uint32_t>{20100201, 20100228, 20100230, 20100301, 20100301};
        QTest::newRow("both ends included") << 20100228u << 20100301u
                                            << QList<uint32_t>{20100228, 20100230, 20100301, 20100301};
        QTest::newRow("one day") << 20100201u << 20100201u << QList<uint32_t>{20100201};
        QTest::newRow("nothing in range") << 20110101u << Open << QList<uint32_t>{};
    }

    void range()
    {
        QFETCH(uint32_t, from);
        QFETCH(uint32_t, to);
        QFETCH(QList<uint32_t>, keys);
        // Steps tell the two records of 20100301 apart.
        const DayRecordList records = {Day(20100301, 1), Day(20100230, 2), Day(20100201, 3), Day(20100301, 4),
                                       Day(20100228, 5)};
        const DayRecordList result = RecordsInKeyRange(records, from, to);
        QList<uint32_t> got;
        for (const TBINFile& r : result)
            got.append(r.Date);
        QCOMPARE(got, keys);
        if (keys.size() >= 2 && keys.endsWith(20100301))
            QVERIFY(result[result.size() - 2].Steps == 1 && result.back().Steps == 4);
    }
};

QTEST_APPLESS_MAIN(UserExportTest)
#include "test_user_export.moc"
