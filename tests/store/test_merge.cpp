#include "store/merge.h"

#include "store/activity_file.h"

#include "tests/support/scripted_prompts.h"
#include "tests/support/temp_data_dir.h"
#include "tests/support/builders.h"

#include <QTest>

Q_DECLARE_METATYPE(DayRecordList)

namespace {

// Puts a day's figures into a decoded image the way a download leaves them.
void SetDay(MemoryImage& image, int daysBefore, const DayBlockValues& v)
{
    const auto raw = EncodeDayBlockRaw(v);
    for (size_t k = 0; k < raw.size(); ++k)
        image[size_t(DayBlockOffset(daysBefore)) + k] = DecodeBcd(raw[k]);
}

MemoryImage Image(uint32_t target, const std::vector<DayBlockValues>& days)
{
    MemoryImage image {};
    image[0] = StatusReady;
    const auto profile = BuildProfileBlock(true, 70, 68, target, 9, 30);
    image[1] = profile[0];
    for (size_t k = 1; k < profile.size(); ++k)
        image[1 + k] = DecodeBcd(profile[k]);
    for (size_t i = 0; i < days.size(); ++i)
        SetDay(image, int(i), days[i]);
    return image;
}

DayBlockValues Figures(uint32_t steps, uint32_t calories, uint32_t distance, uint32_t minutes)
{
    return { steps, calories, distance, minutes };
}

TBINFile Record(uint32_t date, const DayBlockValues& v, uint32_t target)
{
    return Day(date, v.Steps, target, v.Distance, v.Calories, v.WalkingTime);
}

const QDate July10(2010, 7, 10);

} // namespace

class MergeTest : public QObject {
    Q_OBJECT

private:
    const TSoftInfo catalog_ = StoreTestCatalog();

    DayRecordList FileRecords(const TempDataDir& dir)
    {
        return DayRecordsFromBytes(dir.read("Anna.bin"));
    }

private slots:
    void firstMergeAppendsEightDaysTodayFirst_data()
    {
        QTest::addColumn<QDate>("today");
        QTest::addColumn<QList<uint>>("keys");
        QTest::newRow("10 July 2010") << July10
                                      << QList<uint> { 20100710, 20100709, 20100708, 20100707, 20100706, 20100705, 20100704, 20100703 };
        QTest::newRow("across a year") << QDate(2011, 1, 3)
                                       << QList<uint> { 20110103, 20110102, 20110101, 20101231, 20101230, 20101229, 20101228, 20101227 };
        QTest::newRow("across 29 February") << QDate(2012, 3, 2)
                                            << QList<uint> { 20120302, 20120301, 20120229, 20120228, 20120227, 20120226, 20120225, 20120224 };
    }
    void firstMergeAppendsEightDaysTodayFirst()
    {
        QFETCH(QDate, today);
        QFETCH(QList<uint>, keys);
        TempDataDir dir;
        QVERIFY(dir.write("Anna.bin", {}));
        std::vector<DayBlockValues> days;
        for (uint32_t i = 0; i < 8; ++i)
            days.push_back(i == 5 ? DayBlockValues {} : Figures(1000 + i, 200 + i, 70 + i, 10 + i));
        ScriptedPrompts prompts;
        DayRecordList records;
        QCOMPARE(MergeDownload(Image(8000, days), true, today, dir.filePath("Anna.bin"), records, true, true, catalog_,
                               prompts),
                 MergeOutcome::Saved);

        DayRecordList expected;
        for (int i = 0; i < 8; ++i)
            expected.push_back(Record(keys[i], days[size_t(i)], i == 0 ? 8000 : 0));
        QCOMPARE(records, expected);
        QCOMPARE(FileRecords(dir), expected);
        QCOMPARE(prompts.shown().size(), 1);
        const auto ok = prompts.shown().first();
        QVERIFY(!ok.question);
        QCOMPARE(ok.caption, QStringLiteral("Kinetrax V1.0"));
        QCOMPARE(ok.text, QStringLiteral("Synchronization OK!   "));
        QCOMPARE(ok.flags, PromptFlags::Information);
    }

    void laterMergeAppendsOnlyTheNewDay()
    {
        TempDataDir dir;
        QVERIFY(dir.write("Anna.bin", {}));
        const std::vector<DayBlockValues> first { Figures(5, 1, 1, 1), Figures(4, 1, 1, 1) };
        ScriptedPrompts prompts;
        DayRecordList records;
        QCOMPARE(MergeDownload(Image(8000, first), true, July10, dir.filePath("Anna.bin"), records, false, true,
                               catalog_, prompts),
                 MergeOutcome::Saved);
        const DayRecordList before = FileRecords(dir);

        // A day later the pedometer has shifted its days: yesterday's block holds what was today.
        const std::vector<DayBlockValues> next { Figures(9, 2, 2, 2), Figures(5, 1, 1, 1), Figures(4, 1, 1, 1) };
        QCOMPARE(MergeDownload(Image(9000, next), true, July10.addDays(1), dir.filePath("Anna.bin"), records, false,
                               true, catalog_, prompts),
                 MergeOutcome::Saved);
        DayRecordList expected = before;
        expected[1].TargetSteps = 8000; // filled from today's target when loaded
        expected.push_back(Record(20100711, next[0], 9000));
        QCOMPARE(FileRecords(dir), expected);
        QVERIFY(prompts.shown().isEmpty());
    }

    void differingDayAsksBeforeOverwriting_data()
    {
        QTest::addColumn<int>("daysBefore");
        QTest::addColumn<bool>("blockHasData");
        QTest::addColumn<bool>("answer");
        QTest::addColumn<QString>("question"); // empty: none asked
        const QString todayQuestion = "New data exists. Would you like to override current daily data?";
        QTest::newRow("today, Yes") << 0 << true << true << todayQuestion;
        QTest::newRow("today, No") << 0 << true << false << todayQuestion;
        QTest::newRow("today, empty block") << 0 << false << true << QString();
        QTest::newRow("day 1, No") << 1 << true << false << "Data exists for Day1 ,would you like to override?";
        QTest::newRow("day 3, Yes") << 3 << true << true << "Data exists for Day3 ,would you like to override?";
        QTest::newRow("day 7, empty block") << 7 << false << true << QString();
    }
    void differingDayAsksBeforeOverwriting()
    {
        QFETCH(int, daysBefore);
        QFETCH(bool, blockHasData);
        QFETCH(bool, answer);
        QFETCH(QString, question);

        const uint32_t key = 20100710 - uint32_t(daysBefore); // all in July
        const TBINFile stored = Record(key, Figures(3000, 900, 210, 30), 6000);
        const TBINFile other = Record(20100601, Figures(1, 1, 1, 1), 5000);
        TempDataDir dir;
        QVERIFY(dir.write("Anna.bin", DayRecordsToBytes({ other, stored })));

        std::vector<DayBlockValues> days(8);
        for (int i = 0; i < 8; ++i)
            days[size_t(i)] = Figures(100, 10, 10, 10);
        const DayBlockValues device = blockHasData ? Figures(3500, 950, 240, 34) : DayBlockValues {};
        days[size_t(daysBefore)] = device;

        ScriptedPrompts prompts;
        prompts.queueAnswers({ answer });
        DayRecordList records;
        QCOMPARE(MergeDownload(Image(8000, days), true, July10, dir.filePath("Anna.bin"), records, false, true,
                               catalog_, prompts),
                 MergeOutcome::Saved);

        const auto shown = prompts.shown();
        if (question.isEmpty()) {
            QVERIFY(shown.isEmpty());
        } else {
            QCOMPARE(shown.size(), 1);
            QVERIFY(shown[0].question);
            QCOMPARE(shown[0].caption, QString());
            QCOMPARE(shown[0].text, question);
            QCOMPARE(shown[0].flags, PromptFlags::YesNoQuestion);
        }
        const bool overwritten = !question.isEmpty() && answer;
        TBINFile expected = overwritten ? Record(key, device, stored.TargetSteps) : stored;
        // Only today's record takes the pedometer's target, whatever the answer.
        if (daysBefore == 0)
            expected.TargetSteps = 8000;
        const DayRecordList file = FileRecords(dir);
        QCOMPARE(file.size(), size_t(9));
        QCOMPARE(file[0], other);
        QCOMPARE(file[1], expected);
        QCOMPARE(records, file);
    }

    void sameFiguresAskNothingButTakeTarget()
    {
        const DayBlockValues today = Figures(4321, 876, 123, 45);
        TempDataDir dir;
        QVERIFY(dir.write("Anna.bin", DayRecordsToBytes({ Record(20100710, today, 5000) })));
        ScriptedPrompts prompts;
        DayRecordList records;
        QCOMPARE(MergeDownload(Image(12000, { today }), true, July10, dir.filePath("Anna.bin"), records, true, false,
                               catalog_, prompts),
                 MergeOutcome::Saved);
        QCOMPARE(FileRecords(dir).front(), Record(20100710, today, 12000));
        // Not connected: no success message either.
        QVERIFY(prompts.shown().isEmpty());
    }

    void nothingHappensWithoutACompleteDownloadOrAFile()
    {
        TempDataDir dir;
        const QByteArray old = DayRecordsToBytes({ Record(20100710, Figures(10, 1, 1, 1), 5000) });
        QVERIFY(dir.write("Anna.bin", old));
        ScriptedPrompts prompts;
        const DayRecordList before { Day(1, 1, 1) };
        DayRecordList records = before;
        // A download that stopped at its handshake leaves an all-zero image.
        QCOMPARE(MergeDownload(MemoryImage {}, false, July10, dir.filePath("Anna.bin"), records, true, true, catalog_,
                               prompts),
                 MergeOutcome::NotComplete);
        QCOMPARE(dir.read("Anna.bin"), old);
        QCOMPARE(records, before);

        QCOMPARE(MergeDownload(Image(8000, {}), true, July10, dir.filePath("Bob.bin"), records, true, true, catalog_,
                               prompts),
                 MergeOutcome::NoRecords);
        QVERIFY(!QFileInfo::exists(dir.filePath("Bob.bin")));
        QCOMPARE(records, before);
        QVERIFY(prompts.shown().isEmpty());
    }

    void failedSaveIsNotReportedAsSuccess()
    {
        TempDataDir dir;
        QVERIFY(dir.write("Anna.bin", {}));
        ScriptedPrompts prompts;
        DayRecordList records;
        MergeOutcome outcome;
        {
            FileSizeLimit limit(100);
            outcome = MergeDownload(Image(8000, { Figures(1, 1, 1, 1) }), true, July10, dir.filePath("Anna.bin"),
                                    records, true, true, catalog_, prompts);
        }
        QCOMPARE(outcome, MergeOutcome::SaveFailed);
        QCOMPARE(records.size(), size_t(8));
        QCOMPARE(dir.read("Anna.bin"), QByteArray());
        QCOMPARE(prompts.texts(), QStringList { "Open file error !     \r\n" + dir.filePath("Anna.bin") });
    }

    void blockHasDataLooksAtTenBytes()
    {
        MemoryImage image {};
        QVERIFY(!BlockHasData(image, 10));
        image[19] = 1;
        QVERIFY(BlockHasData(image, 10));
        QVERIFY(!BlockHasData(image, 20));
        image[99] = 7;
        QVERIFY(BlockHasData(image, 90));
        QVERIFY(BlockHasData(image, 95));
        QVERIFY(!BlockHasData(image, 100));
        QVERIFY(!BlockHasData(image, -20));
    }

    void convertsDistances_data()
    {
        QTest::addColumn<uint>("distance");
        QTest::addColumn<bool>("toKilometres");
        QTest::addColumn<uint>("converted");
        QTest::newRow("10.00 miles") << 1000u << true << 1609u;
        QTest::newRow("16.09 km") << 1609u << false << 1000u;
        QTest::newRow("zero") << 0u << true << 0u;
        QTest::newRow("half rounds up") << 5u << false << 3u;
        QTest::newRow("largest capped") << 4294967295u << true << 4294967295u;
        QTest::newRow("largest to miles") << 4294967295u << false << 2668768949u;
    }
    void convertsDistances()
    {
        QFETCH(uint, distance);
        QFETCH(bool, toKilometres);
        QFETCH(uint, converted);
        QCOMPARE(ConvertDistance(distance, toKilometres), converted);
    }

    void convertingStoredDistancesSavesAllRecords()
    {
        TempDataDir dir;
        DayRecordList records { Day(20100701, 10, 1, 1000), Day(20100702, 20, 2, 0), Day(20100703, 30, 3, 621) };
        ScriptedPrompts prompts;
        QVERIFY(ConvertStoredDistances(records, true, dir.filePath("Anna.bin"), catalog_, prompts));
        const DayRecordList expected { Day(20100701, 10, 1, 1609), Day(20100702, 20, 2, 0), Day(20100703, 30, 3, 999) };
        QCOMPARE(records, expected);
        QCOMPARE(FileRecords(dir), expected);
    }
};

QTEST_GUILESS_MAIN(MergeTest)
#include "test_merge.moc"
