#include "export/csv_import.h"
#include "catalog/catalog_file.h"
#include "export/csv_export.h"
#include "tests/support/builders.h"

#include <QBuffer>
#include <QTest>

Q_DECLARE_METATYPE(DayRecordList)

namespace {

const QByteArray Km = "Date,Steps,Target Step,Distance(km),Calories(kcal),Walking Time(min)\r\n";
const QByteArray Mile = "Date,Steps,Target Step,Distance(mile),Calories(kcal),Walking Time(min)\r\n";
const QByteArray Line = "20100722,12345,10000,8.76,456.7,95,\r\n";
const TBINFile LineDay = Day(20100722, 12345, 10000, 876, 4567, 95);

QByteArray Utf16(const QByteArray& text, bool littleEndian, bool bom)
{
    QByteArray out = bom ? (littleEndian ? QByteArray("\xFF\xFE") : QByteArray("\xFE\xFF")) : QByteArray();
    for (char c : text)
        out += littleEndian ? QByteArray(1, c) + '\0' : QByteArray(1, '\0') + c;
    return out;
}

QByteArray WithRecord(const QByteArray& record)
{
    return Km + record + "\r\n";
}

} // namespace

class CsvImportTest : public QObject {
    Q_OBJECT

private slots:
    void accepted_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("metric");
        QTest::addColumn<DayRecordList>("records");
        QTest::newRow("as exported") << Km + Line << true << DayRecordList{LineDay};
        QTest::newRow("miles: distances as written") << Mile + Line << false << DayRecordList{LineDay};
        QTest::newRow("header only") << Km << true << DayRecordList{};
        QTest::newRow("LF only") << QByteArray(Km + Line).replace("\r\n", "\n") << true << DayRecordList{LineDay};
        QTest::newRow("no trailing comma") << WithRecord("20100722,12345,10000,8.76,456.7,95") << true
                                           << DayRecordList{LineDay};
        QTest::newRow("no line end at the end") << Km + Line.chopped(2) << true << DayRecordList{LineDay};
        QTest::newRow("header without line end") << Km.chopped(2) << true << DayRecordList{};
        QTest::newRow("UTF-8 byte-order mark") << "\xEF\xBB\xBF" + Km + Line << true << DayRecordList{LineDay};
        QTest::newRow("empty lines at the end") << Km + Line + "\r\n\n\r\n" << true << DayRecordList{LineDay};
        QTest::newRow("trailing zeros dropped") << WithRecord("20100722,12345,10000,8.7,456,95,") << true
                                                << DayRecordList{Day(20100722, 12345, 10000, 870, 4560, 95)};
        QTest::newRow("whole distance") << WithRecord("20100722,12345,10000,8,456.0,95,") << true
                                        << DayRecordList{Day(20100722, 12345, 10000, 800, 4560, 95)};
        QTest::newRow("leap day, file order kept")
            << Km + "20240229,1,0,0.05,0.7,0,\r\n20240101,2,3,1.00,1.0,1,\r\n" << true
            << DayRecordList{Day(20240229, 1, 0, 5, 7, 0), Day(20240101, 2, 3, 100, 10, 1)};
        QTest::newRow("largest values")
            << WithRecord("4294961231,4294967295,4294967295,42949672.95,429496729.5,4294967295,") << true
            << DayRecordList{Day(4294961231u, 4294967295u, 4294967295u, 4294967295u, 4294967295u, 4294967295u)};
        QTest::newRow("year 1, seven digits") << WithRecord("10101,0,0,0.00,0.0,0,") << true
                                              << DayRecordList{Day(10101, 0)};
    }

    void accepted()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, metric);
        QFETCH(DayRecordList, records);
        const CsvImport csv = ReadRecordsCsv(bytes, DefaultCatalog());
        QVERIFY2(csv.Ok, qPrintable(QStringLiteral("line %1: %2").arg(csv.Line).arg(csv.Error)));
        QCOMPARE(csv.Metric, metric);
        QCOMPARE(csv.Records, records);
    }

    void refused_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("line");
        QTest::addColumn<QString>("error");
        const QString values = QStringLiteral(" values where 6 are expected (date, steps, target steps, distance, "
                                              "calories, walking time)");
        const QString whole = QStringLiteral("\" is not a whole number from 0 to 4294967295");
        const QString distance = QStringLiteral("\" is not a number from 0 to 42949672.95 with at most 2 decimals");
        const QString calories = QStringLiteral("\" is not a number from 0 to 429496729.5 with at most 1 decimal");
        const QString date = QStringLiteral("\" is not a calendar date written YYYYMMDD");
        const QString utf16 = QStringLiteral("the file is UTF-16 text, not the 8-bit text of a CSV export");

        QTest::newRow("empty file") << QByteArray() << 1 << "the file is empty: no header";
        QTest::newRow("another header")
            << QByteArray("Date;Steps\r\n") + Line << 1
            << "not the header of a Kinetrax CSV export: expected \"Date,Steps,Target Step,Distance(km),"
               "Calories(kcal),Walking Time(min)\" (or with mile)";
        QTest::newRow("no header") << Line + Line << 1
                                   << "not the header of a Kinetrax CSV export: expected \"Date,Steps,Target Step,"
                                      "Distance(km),Calories(kcal),Walking Time(min)\" (or with mile)";
        QTest::newRow("UTF-16 LE") << Utf16(Km + Line, true, true) << 1 << utf16;
        QTest::newRow("UTF-16 BE") << Utf16(Km + Line, false, true) << 1 << utf16;
        QTest::newRow("UTF-16 without a mark") << Utf16(Km + Line, true, false) << 1 << utf16;
        QTest::newRow("NUL byte") << Km + QByteArray("20100722,1\0,0,0,0,0,\r\n", 22) << 2 << "a NUL byte";
        QTest::newRow("truncated line") << WithRecord("20100722,12345,10000,8.7") << 2 << "4" + values;
        QTest::newRow("extra value") << WithRecord("20100722,12345,10000,8.76,456.7,95,0,") << 2 << "7" + values;
        QTest::newRow("two trailing commas") << WithRecord("20100722,12345,10000,8.76,456.7,95,,") << 2 << "7" + values;
        QTest::newRow("error on a later line") << Km + Line + "20100723,1,2,3,4\r\n" << 3 << "5" + values;
        QTest::newRow("not a month") << WithRecord("20261340,1,0,0,0,0,") << 2 << "date \"20261340" + date;
        QTest::newRow("30 February") << WithRecord("20260230,1,0,0,0,0,") << 2 << "date \"20260230" + date;
        QTest::newRow("year 0") << WithRecord("00000101,1,0,0,0,0,") << 2 << "date \"00000101" + date;
        QTest::newRow("date past 32 bits") << WithRecord("4294967296,1,0,0,0,0,") << 2 << "date \"4294967296" + date;
        QTest::newRow("ISO date") << WithRecord("2010-07-22,1,0,0,0,0,") << 2 << "date \"2010-07-22" + date;
        QTest::newRow("negative steps") << WithRecord("20100722,-5,0,0,0,0,") << 2 << "steps \"-5" + whole;
        QTest::newRow("plus sign") << WithRecord("20100722,+5,0,0,0,0,") << 2 << "steps \"+5" + whole;
        QTest::newRow("blank") << WithRecord("20100722, 5,0,0,0,0,") << 2 << "steps \" 5" + whole;
        QTest::newRow("empty value") << WithRecord("20100722,,0,0,0,0,") << 2 << "steps \"" + whole;
        QTest::newRow("grouped") << WithRecord("20100722,12.345,0,0,0,0,") << 2 << "steps \"12.345" + whole;
        QTest::newRow("quoted") << WithRecord("20100722,\"5\",0,0,0,0,") << 2 << "steps \"\"5\"" + whole;
        QTest::newRow("steps past 32 bits") << WithRecord("20100722,4294967296,0,0,0,0,") << 2
                                            << "steps \"4294967296" + whole;
        QTest::newRow("target past 32 bits") << WithRecord("20100722,0,99999999999999999999,0,0,0,") << 2
                                             << "target steps \"99999999999999999999" + whole;
        QTest::newRow("three decimals") << WithRecord("20100722,0,0,8.765,0,0,") << 2 << "distance \"8.765" + distance;
        QTest::newRow("exponent") << WithRecord("20100722,0,0,1e3,0,0,") << 2 << "distance \"1e3" + distance;
        QTest::newRow("decimal comma") << WithRecord("20100722,0,0,8;76,0,0,") << 2 << "distance \"8;76" + distance;
        QTest::newRow("point without decimals") << WithRecord("20100722,0,0,8.,0,0,") << 2 << "distance \"8." + distance;
        QTest::newRow("distance past 32 bits") << WithRecord("20100722,0,0,42949672.96,0,0,") << 2
                                               << "distance \"42949672.96" + distance;
        QTest::newRow("calories with two decimals") << WithRecord("20100722,0,0,0,456.75,0,") << 2
                                                    << "calories \"456.75" + calories;
        QTest::newRow("calories past 32 bits") << WithRecord("20100722,0,0,0,429496729.6,0,") << 2
                                               << "calories \"429496729.6" + calories;
        QTest::newRow("fractional minutes") << WithRecord("20100722,0,0,0,0,9.5,") << 2
                                            << "walking time \"9.5\" is not a whole number of minutes from 0 to 4294967295";
        QTest::newRow("control byte shown escaped") << WithRecord("20100722,1\x1b[2J,0,0,0,0,") << 2
                                                    << "steps \"1\\x1b[2J" + whole;
        QTest::newRow("same date twice") << Km + Line + "20100723,1,0,0,0,0,\r\n" + Line << 4
                                         << "the date 20100722 is on line 2 already";
        QTest::newRow("empty line before a record") << Km + Line + "\r\n" + "20100723,1,0,0,0,0,\r\n" << 3
                                                    << "an empty line before more records";
        QTest::newRow("lone CR inside a line") << WithRecord("20100722,1,0,0,0,0,\r20100723,1,0,0,0,0,") << 2
                                               << "12" + values;
        QTest::newRow("line of 201 bytes") << WithRecord("20100722,1,0,0,0," + QByteArray(184, '0')) << 2
                                           << "the line is longer than 200 bytes";
    }

    void refused()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, line);
        QFETCH(QString, error);
        const CsvImport csv = ReadRecordsCsv(bytes, DefaultCatalog());
        QVERIFY(!csv.Ok);
        QCOMPARE(csv.Error, error);
        QCOMPARE(csv.Line, line);
        QVERIFY(csv.Records.empty());
    }

    void lineOf200BytesIsTaken()
    {
        const QByteArray record = "20100722,1,0,0,0," + QByteArray(183, '0');
        QCOMPARE(record.size(), 200);
        const CsvImport csv = ReadRecordsCsv(WithRecord(record), DefaultCatalog());
        QVERIFY2(csv.Ok, qPrintable(csv.Error));
        QCOMPARE(csv.Records, DayRecordList{Day(20100722, 1)});
    }

    void hugeLineIsRefusedWithoutReadingOn()
    {
        QByteArray bytes = Km + Line;
        bytes += QByteArray(100 * 1024 * 1024, '7');
        QBuffer buffer(&bytes);
        QVERIFY(buffer.open(QIODevice::ReadOnly));
        const CsvImport csv = ReadRecordsCsv(buffer, DefaultCatalog());
        QVERIFY(!csv.Ok);
        QCOMPARE(csv.Line, 3);
        QCOMPARE(csv.Error, QStringLiteral("the line is longer than 200 bytes"));
        QVERIFY2(buffer.pos() < 1024, qPrintable(QString::number(buffer.pos())));
    }

    void exportReadsBack_data()
    {
        QTest::addColumn<bool>("metric");
        QTest::newRow("km") << true;
        QTest::newRow("mile") << false;
    }

    void exportReadsBack()
    {
        QFETCH(bool, metric);
        // Cardio figures are not exported: they come back as 0.
        const DayRecordList records = {Day(20100722, 12345, 10000, 876, 4567, 95, 777, 888), Day(20100723, 0),
                                       Day(20240229, 1, 0, 5, 7, 1, 1, 1), Day(20240301, 1, 0, 100, 10, 1440),
                                       Day(4294961231u, 4294967295u, 4294967295u, 4294967295u, 4294967295u,
                                           4294967295u, 4294967295u, 4294967295u)};
        const CsvImport csv = ReadRecordsCsv(CsvExportBytes(records, DefaultCatalog(), metric), DefaultCatalog());
        QVERIFY2(csv.Ok, qPrintable(csv.Error));
        QCOMPARE(csv.Metric, metric);
        DayRecordList expected = records;
        for (TBINFile& r : expected)
            r.CardioSteps = r.CardioTime = 0;
        QCOMPARE(csv.Records, expected);
    }

    void translatedHeaderIsReadWithItsCatalog()
    {
        TSoftInfo german = DefaultCatalog();
        german.CSVFileHead = {QString::fromUtf8("Datum,Schritte,Ziel,Strecke ("), QString::fromUtf8("),Kalorien,Gehzeit \xC3\xBC")};
        german.Units[7] = QStringLiteral("Kilometer");
        german.Units[8] = QStringLiteral("Meile");
        const DayRecordList records = {LineDay};
        for (bool metric : {true, false}) {
            const QByteArray bytes = CsvExportBytes(records, german, metric);
            const CsvImport csv = ReadRecordsCsv(bytes, german);
            QVERIFY2(csv.Ok, qPrintable(csv.Error));
            QCOMPARE(csv.Metric, metric);
            QCOMPARE(csv.Records, records);
            QCOMPARE(ReadRecordsCsv(bytes, DefaultCatalog()).Line, 1);
        }
        // An export made before the catalog was translated still reads.
        const CsvImport old = ReadRecordsCsv(Mile + Line, german);
        QVERIFY(old.Ok);
        QCOMPARE(old.Metric, false);

        // Unit texts alike cannot tell km from mile: that header is not taken as either.
        TSoftInfo alike = german;
        alike.Units[8] = alike.Units[7];
        QVERIFY(!ReadRecordsCsv(CsvExportBytes(records, alike, true), alike).Ok);
    }
};

QTEST_GUILESS_MAIN(CsvImportTest)
#include "test_csv_import.moc"
