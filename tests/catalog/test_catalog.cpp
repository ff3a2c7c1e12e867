#include "catalog/catalog_file.h"
#include "tests/support/temp_data_dir.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringEncoder>
#include <QTest>

namespace {

template <size_t N>
QStringList ToList(const std::array<QString, N>& texts)
{
    return QStringList(texts.begin(), texts.end());
}

QStringList SectionTexts(const TSoftInfo& c, const QString& name)
{
    if (name == "SoftName") return ToList(c.SoftName);
    if (name == "TodayButton") return ToList(c.TodayButton);
    if (name == "RecordButton") return ToList(c.RecordButton);
    if (name == "UserButton") return ToList(c.UserButton);
    if (name == "TodayPanel") return ToList(c.TodayPanel);
    if (name == "RecordPanel") return ToList(c.RecordPanel);
    if (name == "UserSetting") return ToList(c.UserSetting);
    if (name == "Units") return ToList(c.Units);
    if (name == "Months") return ToList(c.Months);
    if (name == "DaySuffix") return ToList(c.DaySuffix);
    if (name == "NewInit1") return ToList(c.NewInit1);
    if (name == "NewInit2") return ToList(c.NewInit2);
    if (name == "CSVFileHead") return ToList(c.CSVFileHead);
    if (name == "XAxisString") return ToList(c.XAxisString);
    if (name == "YAxisString") return ToList(c.YAxisString);
    if (name == "Other") return ToList(c.Other);
    if (name == "Info") return ToList(c.Info);
    qFatal("unknown section %s", qPrintable(name));
}

const QStringList AllSections = {"SoftName", "TodayButton", "RecordButton", "UserButton", "TodayPanel",
                                 "RecordPanel", "UserSetting", "Units", "Months", "DaySuffix", "NewInit1",
                                 "NewInit2", "CSVFileHead", "XAxisString", "YAxisString", "Other", "Info"};

QStringList Repeated(const QString& text, int n)
{
    QStringList list;
    for (int i = 0; i < n; ++i)
        list << text;
    return list;
}

QStringList WithEmpties(QStringList list, int size)
{
    while (list.size() < size)
        list << QString();
    return list;
}

QByteArray Utf16(const QString& text, QStringConverter::Encoding encoding)
{
    QStringEncoder encoder(encoding, QStringConverter::Flag::WriteBom);
    return encoder.encode(text);
}

} // namespace

class CatalogTest : public QObject {
    Q_OBJECT

private slots:
    void missingFileIsWrittenFromDefaultsAndRead()
    {
        TempDataDir dir;
        TSoftInfo catalog;
        const CatalogLoadResult result = LoadCatalog(catalog, dir.path());
        QVERIFY2(result.ok, qPrintable(result.error));

        const QByteArray bytes = dir.read("Step.ini");
        QCOMPARE(bytes, DefaultCatalogBytes());
        QCOMPARE(bytes.count("\r\n"), 65);
        QCOMPARE(bytes.count('\n'), 65);
        QCOMPARE(bytes.count('\r'), 65);
        QVERIFY(bytes.endsWith("USB Writer Data Error:default\r\nUploading...Please try again later!\r\n"
                               "Open file error !     \r\nSynchronization OK!   \r\nPlease input the name!\r\n"
                               "Welcome to the Kinetrax! Please create your user profile.\r\n"
                               "Please choose the user!\r\nCreate file error !\r\n"
                               " already exists,Please re-input the name!\r\nMax number of user is 8.\r\n"
                               "All records in device will be cleared permanently once the unit is changed. "
                               "Continue?\r\nNew data exists. Would you like to override current daily data?\r\n"
                               "Data exists for Day\r\n ,would you like to override?\r\n"
                               "Really want to delete permanently?\r\n"
                               "Device unit has changed, update the local data!   \r\n"));
        QVERIFY(std::all_of(bytes.begin(), bytes.end(), [](char ch) { return ch > 0; }));

        for (const QString& name : AllSections)
            QCOMPARE(SectionTexts(catalog, name), SectionTexts(DefaultCatalog(), name));
    }

    void defaultTexts_data()
    {
        QTest::addColumn<QString>("section");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("SoftName") << "SoftName" << QStringList{"Kinetrax", "V1.0"};
        QTest::newRow("TodayButton") << "TodayButton" << QStringList{"Today", "Record", "User Setting", "Send"};
        QTest::newRow("TodayPanel keeps nine of eleven")
            << "TodayPanel"
            << QStringList{"Step", "Distance", "Calorie", "Walking Time", "Cardio Steps", "Cardio Time",
                           "Total Step", "Target Step", "Goal"};
        QTest::newRow("UserButton") << "UserButton" << QStringList{"New", "Del", "OK", "Save", "Exit"};
        QTest::newRow("UserSetting")
            << "UserSetting"
            << QStringList{"User", "Name", "Gender", "Name:", "Gender:", "male", "female", "Age:", "Height:",
                           "feet", "meter", "Weight:", "lb", "kg", "Step length:", "inch", "cm", "Target",
                           "Step", "Distance", "Calorie", "Auto Time Sync. Function",
                           "Welcome to Kinetrax! Please select user.", "Please input your information.",
                           "USER INFORMATION"};
        QTest::newRow("Units") << "Units"
                               << QStringList{"meter", "kg", "cm", "feet", "lb", "inch", "step", "km", "mile",
                                              "Kcal", "min", "steps"};
        QTest::newRow("NewInit1") << "NewInit1" << QStringList{"New User", "2", "18", "1", "70", "45", "50", "5000"};
        QTest::newRow("NewInit2 keeps leading zero") << "NewInit2" << QStringList{"5", "06", "100", "20"};
        QTest::newRow("CSVFileHead")
            << "CSVFileHead" << QStringList{"Date,Steps,Target Step,Distance(", "),Calories(kcal),Walking Time(min)"};
        QTest::newRow("YAxisString") << "YAxisString" << QStringList{"Target Step"};
        QTest::newRow("Other") << "Other" << QStringList{"Total", "Male", "Female"};
        QStringList info = {"No device!", "Loading", "Failed to Register Device Notifications",
                            "No customer information, the system will shut down!  "};
        info = WithEmpties(info, 27);
        info[5] = "Mail Send failed!          ";
        info[11] = "Open file error !     ";
        info[12] = "Synchronization OK!   ";
        info[17] = " already exists,Please re-input the name!";
        info[18] = "Max number of user is 8.";
        info[22] = " ,would you like to override?";
        info[24] = "Device unit has changed, update the local data!   ";
        QTest::newRow("Info, trailing blanks kept, 25 and 26 empty") << "Info" << info;
    }

    void defaultTexts()
    {
        QFETCH(QString, section);
        QFETCH(QStringList, expected);
        const QStringList actual = SectionTexts(DefaultCatalog(), section);
        QCOMPARE(actual.size(), expected.size());
        for (int i = 0; i < expected.size(); ++i) {
            if (section != "Info" || !expected[i].isEmpty() || i >= 25)
                QCOMPARE(actual[i], expected[i]);
        }
    }

    void nextListItem_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QStringList>("items");
        QTest::newRow("fewer items repeat the last") << "A,B" << QStringList{"A", "B", "B", "B"};
        QTest::newRow("empty line") << "" << QStringList{"", "", ""};
        QTest::newRow("empty items kept") << "a,,b" << QStringList{"a", "", "b", "b"};
        QTest::newRow("leading comma") << ",x" << QStringList{"", "x"};
        QTest::newRow("trailing comma") << "x," << QStringList{"x", "", ""};
        QTest::newRow("blanks not trimmed") << " a , b" << QStringList{" a ", " b"};
    }

    void nextListItem()
    {
        QFETCH(QString, line);
        QFETCH(QStringList, items);
        QString working = line;
        for (const QString& item : items)
            QCOMPARE(NextListItem(working), item);
    }

    void readsSections_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QStringList>("expected");

        QTest::newRow("two items fill four positions")
            << QByteArray("x\r\n[TodayButton]\r\nA,B\r\n") << "TodayButton" << QStringList{"A", "B", "B", "B"};
        QTest::newRow("extra items ignored")
            << QByteArray("x\r\n[Months]\r\n1,2,3,4,5,6,7,8,9,10,11,12,13,14\r\n") << "Months"
            << QStringList{"1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11", "12"};
        QTest::newRow("header letter case ignored")
            << QByteArray("x\r\n[info]\r\n1\r\nhello\r\n") << "Info" << WithEmpties({"hello"}, 27);
        QTest::newRow("blanks around a header make another line")
            << QByteArray("x\r\n [Other]\r\na,b,c\r\n[Other] \r\nd,e,f\r\n") << "Other" << WithEmpties({}, 3);
        QTest::newRow("first matching header counts")
            << QByteArray("x\r\n[Other]\r\na,b,c\r\n[OTHER]\r\nd,e,f\r\n") << "Other" << QStringList{"a", "b", "c"};
        QTest::newRow("section on the first line")
            << QByteArray("[TodayButton]\r\nA,B,C,D\r\n") << "TodayButton" << QStringList{"A", "B", "C", "D"};
        QTest::newRow("SoftName on the first line")
            << QByteArray("[SoftName]\r\nApp\r\nV2\r\n") << "SoftName" << QStringList{"App", "V2"};
        QTest::newRow("count not a number reads as 0")
            << QByteArray("x\r\n[Info]\r\nabc\r\nhello\r\n") << "Info" << WithEmpties({}, 27);
        QTest::newRow("negative count reads as 0")
            << QByteArray("x\r\n[Info]\r\n-3\r\n") << "Info" << WithEmpties({}, 27);
        QByteArray many = "x\r\n[Info]\r\n40\r\n";
        for (int i = 0; i < 40; ++i)
            many += QByteArray::number(i) + "\r\n";
        QStringList first27;
        for (int i = 0; i < 27; ++i)
            first27 << QString::number(i);
        QTest::newRow("count beyond 27 stores 27") << many << "Info" << first27;
        QTest::newRow("list part then whole lines, commas kept")
            << QByteArray("x\r\n[UserSetting]\r\na,b\r\nsync, on, off\r\nw\r\np\r\nu\r\n") << "UserSetting"
            << QStringList{"a"} + Repeated("b", 20) + QStringList{"sync, on, off", "w", "p", "u"};
        QTest::newRow("single-item section keeps text before a comma")
            << QByteArray("x\r\n[YAxisString]\r\nGoal,Line\r\n") << "YAxisString" << QStringList{"Goal"};
        QTest::newRow("LF line ends") << QByteArray("x\n[SoftName]\nApp\nV2") << "SoftName" << QStringList{"App", "V2"};
        QTest::newRow("CR line ends") << QByteArray("x\r[SoftName]\rApp\rV2\r") << "SoftName" << QStringList{"App", "V2"};
        QTest::newRow("empty lines are lines")
            << QByteArray("x\r\n[SoftName]\r\n\r\nV2\r\n") << "SoftName" << QStringList{"", "V2"};
        QTest::newRow("system encoding is UTF-8")
            << QByteArray("[Months]\r\nJ\xC3\xA4n,F\xC3\xA9v\r\n") << "Months"
            << QStringList{QString::fromUtf8("J\xC3\xA4n")} + Repeated(QString::fromUtf8("F\xC3\xA9v"), 11);
        QTest::newRow("Windows code page 1252 when not UTF-8")
            << QByteArray("[Months]\r\nJ\xE4n,\x80\r\n") << "Months"
            << QStringList{QString::fromUtf8("J\xC3\xA4n")} + Repeated(QString::fromUtf8("\xE2\x82\xAC"), 11);
        QTest::newRow("UTF-8 byte-order mark")
            << QByteArray("\xEF\xBB\xBF[SoftName]\r\nSchrittz\xC3\xA4hler\r\nV1\r\n") << "SoftName"
            << QStringList{QString::fromUtf8("Schrittz\xC3\xA4hler"), "V1"};
        const QString text = QString::fromUtf8("[SoftName]\r\n\xE6\xAD\xA9\xE6\x95\xB0\r\nV1\r\n");
        QTest::newRow("UTF-16 LE byte-order mark") << Utf16(text, QStringConverter::Utf16LE) << "SoftName"
                                                  << QStringList{QString::fromUtf8("\xE6\xAD\xA9\xE6\x95\xB0"), "V1"};
        QTest::newRow("UTF-16 BE byte-order mark") << Utf16(text, QStringConverter::Utf16BE) << "SoftName"
                                                  << QStringList{QString::fromUtf8("\xE6\xAD\xA9\xE6\x95\xB0"), "V1"};
    }

    void readsSections()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, section);
        QFETCH(QStringList, expected);
        TSoftInfo catalog;
        const CatalogLoadResult result = ReadCatalogText(catalog, file, "Step.ini");
        QVERIFY2(result.ok, qPrintable(result.error));
        QCOMPARE(SectionTexts(catalog, section), expected);
    }

    void absentSectionsKeepTheirTexts()
    {
        TSoftInfo catalog = DefaultCatalog();
        QVERIFY(ReadCatalogText(catalog, "x\r\n[Units]\r\nm\r\n", "Step.ini").ok);
        QCOMPARE(SectionTexts(catalog, "Units"), Repeated("m", 12));
        QCOMPARE(catalog.Info[0], QString("No device!"));
        QCOMPARE(catalog.SoftName[0], QString("Kinetrax"));

        TSoftInfo empty;
        QVERIFY(ReadCatalogText(empty, QByteArray(), "Step.ini").ok);
        for (const QString& name : AllSections)
            QVERIFY(SectionTexts(empty, name).join(QString()).isEmpty());
    }

    void damagedCatalogIsAnError_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QStringList>("mentions");
        QTest::newRow("SoftName on the last line")
            << QByteArray("a\r\nb\r\n[SoftName]\r\n") << QStringList{"[SoftName]", "line 3", "2 line(s)"};
        QTest::newRow("SoftName missing its second line")
            << QByteArray("[SoftName]\r\nKinetrax") << QStringList{"[SoftName]", "line 1", "ends at line 2"};
        QTest::newRow("comma list header last")
            << QByteArray("x\r\n[Months]") << QStringList{"[Months]", "line 2", "1 line(s)"};
        QTest::newRow("UserSetting missing whole lines")
            << QByteArray("x\r\n[UserSetting]\r\na,b\r\nsync\r\n") << QStringList{"[UserSetting]", "line 2", "5 line(s)"};
        QTest::newRow("Info without its count")
            << QByteArray("x\r\n[Info]\r\n") << QStringList{"[Info]", "line 2"};
        QTest::newRow("Info count beyond the lines")
            << QByteArray("x\r\n[Info]\r\n3\r\na\r\nb\r\n") << QStringList{"[Info]", "line 2", "announces 3", "only 2"};
        QTest::newRow("Info count of int max")
            << QByteArray("x\r\n[Info]\r\n2147483647\r\na\r\n") << QStringList{"[Info]", "2147483647", "only 1"};
        QTest::newRow("Info count beyond any integer")
            << QByteArray("x\r\n[Info]\r\n99999999999999999999999999999999\r\n") << QStringList{"[Info]", "only 0"};
    }

    void damagedCatalogIsAnError()
    {
        QFETCH(QByteArray, file);
        QFETCH(QStringList, mentions);
        TSoftInfo catalog;
        catalog.Units[0] = "kept";
        const CatalogLoadResult result = ReadCatalogText(catalog, "x\r\n[Units]\r\nm\r\n" + file, "/data/Step.ini");
        QVERIFY(!result.ok);
        QVERIFY(result.error.contains("/data/Step.ini"));
        for (QString mention : mentions) {
            // The prefix above shifts every line by three.
            const QRegularExpression line("line (\\d+)");
            const auto match = line.match(mention);
            if (match.hasMatch())
                mention.replace(match.capturedStart(1), match.capturedLength(1),
                                QString::number(match.captured(1).toInt() + 3));
            QVERIFY2(result.error.contains(mention), qPrintable(result.error + " lacks " + mention));
        }
        QCOMPARE(catalog.Units[0], QString("kept"));
    }

    void loadReportsDamageWithThePath()
    {
        TempDataDir dir;
        QVERIFY(dir.write("Step.ini", "[SoftName]\r\n"));
        TSoftInfo catalog;
        const CatalogLoadResult result = LoadCatalog(catalog, dir.path());
        QVERIFY(!result.ok);
        QVERIFY2(result.error.contains(dir.filePath("Step.ini")), qPrintable(result.error));
        QCOMPARE(dir.read("Step.ini"), QByteArray("[SoftName]\r\n"));
    }

    void existingFileIsNeverWritten()
    {
        TempDataDir dir;
        const QByteArray custom = "[SoftName]\nSchritt\nV9\n[Info]\n1\nKein Ger\xC3\xA4t!\n";
        QVERIFY(dir.write("Step.ini", custom));
        const QDateTime old = QDateTime::currentDateTimeUtc().addDays(-3);
        {
            QFile file(dir.filePath("Step.ini"));
            QVERIFY(file.open(QIODevice::ReadWrite));
            QVERIFY(file.setFileTime(old, QFileDevice::FileModificationTime));
        }

        TSoftInfo catalog;
        QVERIFY(LoadCatalog(catalog, dir.path()).ok);
        QCOMPARE(catalog.SoftName[0], QString("Schritt"));
        QCOMPARE(catalog.Info[0], QString::fromUtf8("Kein Ger\xC3\xA4t!"));
        QVERIFY(catalog.TodayButton[0].isEmpty());

        QCOMPARE(dir.read("Step.ini"), custom);
        QCOMPARE(QFileInfo(dir.filePath("Step.ini")).lastModified().toUTC(), old);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"Step.ini"});
    }

    void fileThatCannotBeWrittenOrRead()
    {
        TempDataDir dir;
        TSoftInfo catalog;
        const QString missingDir = dir.filePath("gone/");
        CatalogLoadResult result = LoadCatalog(catalog, missingDir);
        QVERIFY(!result.ok);
        QVERIFY2(result.error.contains(missingDir + "Step.ini"), qPrintable(result.error));

        QVERIFY(QDir(dir.path()).mkdir("Step.ini"));
        result = LoadCatalog(catalog, dir.path());
        QVERIFY(!result.ok);
        QVERIFY2(result.error.contains(dir.filePath("Step.ini")), qPrintable(result.error));
        QVERIFY(catalog.SoftName[0].isEmpty());
    }

    void longLinesAndHugeFiles()
    {
        TempDataDir dir;
        const QByteArray longText(MaxCatalogFileBytes - 100, 'w');
        QVERIFY(dir.write("Step.ini", "x\r\n[Info]\r\n1\r\n" + longText + "\r\n[Months]\r\n" + longText.left(50)));
        TSoftInfo catalog;
        CatalogLoadResult result = LoadCatalog(catalog, dir.path());
        QVERIFY2(result.ok, qPrintable(result.error));
        QCOMPARE(catalog.Info[0].size(), longText.size());
        QCOMPARE(catalog.Months[11].size(), 50);

        QVERIFY(dir.write("Step.ini", DefaultCatalogBytes() + QByteArray(MaxCatalogFileBytes, '\n')));
        result = LoadCatalog(catalog, dir.path());
        QVERIFY(!result.ok);
        QVERIFY2(result.error.contains("too large") && result.error.contains(dir.filePath("Step.ini")),
                 qPrintable(result.error));
    }
};

QTEST_GUILESS_MAIN(CatalogTest)
#include "test_catalog.moc"
