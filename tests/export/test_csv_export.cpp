#include "export/csv_export.h"
#include "catalog/catalog_file.h"
#include "tests/support/builders.h"
#include "tests/support/temp_data_dir.h"

#include <QTest>

namespace {

// Cardio figures are set to show that the export leaves them out.
TBINFile Record(uint32_t date, uint32_t steps, uint32_t target, uint32_t distance, uint32_t calories, uint32_t minutes)
{
    return Day(date, steps, target, distance, calories, minutes, 777, 888);
}

const QByteArray MetricHeader = "Date,Steps,Target Step,Distance(km),Calories(kcal),Walking Time(min)\r\n";

} // namespace

class CsvExportTest : public QObject {
    Q_OBJECT

private slots:
    void recordLine_data()
    {
        QTest::addColumn<TBINFile>("record");
        QTest::addColumn<QByteArray>("line");
        QTest::newRow("typical day") << Record(20100722, 12345, 10000, 876, 4567, 95)
                                     << QByteArray("20100722,12345,10000,8.76,456.7,95,");
        QTest::newRow("small distance and calories") << Record(20240101, 1, 0, 5, 7, 0)
                                                     << QByteArray("20240101,1,0,0.05,0.7,0,");
        QTest::newRow("round distance and calories") << Record(20240102, 0, 5000, 100, 10, 1)
                                                     << QByteArray("20240102,0,5000,1.00,1.0,1,");
        QTest::newRow("no grouping") << Record(20240103, 1234567, 20000, 123456, 98765, 1440)
                                     << QByteArray("20240103,1234567,20000,1234.56,9876.5,1440,");
        QTest::newRow("zero") << Record(0, 0, 0, 0, 0, 0) << QByteArray("0,0,0,0.00,0.0,0,");
        QTest::newRow("largest values stay unsigned")
            << Record(4294967295u, 4294967295u, 4294967295u, 4294967295u, 4294967295u, 4294967295u)
            << QByteArray("4294967295,4294967295,4294967295,42949672.95,429496729.5,4294967295,");
    }

    void recordLine()
    {
        QFETCH(TBINFile, record);
        QFETCH(QByteArray, line);
        const QByteArray bytes = CsvExportBytes({record}, DefaultCatalog(), true);
        QCOMPARE(bytes, MetricHeader + line + "\r\n");
    }

    void headerNamesTheDistanceUnit()
    {
        const DayRecordList records = {Record(20100722, 12345, 10000, 876, 4567, 95)};
        const QByteArray imperial = CsvExportBytes(records, DefaultCatalog(), false);
        QCOMPARE(imperial, QByteArray("Date,Steps,Target Step,Distance(mile),Calories(kcal),Walking Time(min)\r\n"
                                      "20100722,12345,10000,8.76,456.7,95,\r\n"));

        TSoftInfo catalog = DefaultCatalog();
        catalog.CSVFileHead = {QString::fromUtf8("Datum;Schritte;Strecke ("), QString::fromUtf8(") \xC3\xBC")};
        catalog.Units[7] = "Kilometer";
        const QByteArray custom = CsvExportBytes(records, catalog, true);
        QCOMPARE(custom, QByteArray("Datum;Schritte;Strecke (Kilometer) \xC3\xBC\r\n"
                                    "20100722,12345,10000,8.76,456.7,95,\r\n"));
    }

    void exportSortsRecordsInPlaceAndWritesThem()
    {
        TempDataDir dir;
        DayRecordList records = {Record(20100722, 3, 0, 0, 0, 0), Record(20091231, 1, 0, 0, 0, 0),
                                 Record(20100101, 2, 0, 0, 0, 0), Record(20091231, 1, 0, 0, 0, 0)};
        QString error;
        QVERIFY2(ExportCsv(dir.filePath("Ann.csv"), records, DefaultCatalog(), true, &error), qPrintable(error));

        QList<uint32_t> dates;
        for (const TBINFile& r : records)
            dates << r.Date;
        QCOMPARE(dates, (QList<uint32_t>{20091231, 20091231, 20100101, 20100722}));
        QCOMPARE(records[3].Steps, 3u);

        QCOMPARE(dir.read("Ann.csv"), MetricHeader + "20091231,1,0,0.00,0.0,0,\r\n"
                                                      "20091231,1,0,0.00,0.0,0,\r\n"
                                                      "20100101,2,0,0.00,0.0,0,\r\n"
                                                      "20100722,3,0,0.00,0.0,0,\r\n");
    }

    void emptyListGivesHeaderAloneAndReplacesOldFile()
    {
        TempDataDir dir;
        QVERIFY(dir.write("Bob.csv", "old content that is longer than the header line, surely longer than that one"));
        DayRecordList records;
        QVERIFY(ExportCsv(dir.filePath("Bob.csv"), records, DefaultCatalog(), true));
        QCOMPARE(dir.read("Bob.csv"), MetricHeader);
    }

    void unwritableFileIsReportedAndRecordsStaySorted()
    {
        TempDataDir dir;
        DayRecordList records = {Record(20100722, 2, 0, 0, 0, 0), Record(20100721, 1, 0, 0, 0, 0)};
        const QString path = dir.filePath("missing/Ann.csv");
        QString error;
        QVERIFY(!ExportCsv(path, records, DefaultCatalog(), true, &error));
        QVERIFY2(error.contains(path) && error.size() > path.size() + 10, qPrintable(error));
        QCOMPARE(records[0].Date, 20100721u);
        QVERIFY(!QFile::exists(path));
    }
};

QTEST_GUILESS_MAIN(CsvExportTest)
#include "test_csv_export.moc"
