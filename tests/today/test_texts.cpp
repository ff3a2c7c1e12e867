#include "catalog/catalog_file.h"
#include "today/date_texts.h"
#include "today/figure_texts.h"
#include "today/sync_texts.h"
#include "today/today_figures.h"

#include <QTest>

Q_DECLARE_METATYPE(SyncOutlook)

namespace {

TBINFile Day(uint32_t date, uint32_t steps, uint32_t target = 0)
{
    TBINFile r;
    r.Date = date;
    r.Steps = steps;
    r.TargetSteps = target;
    return r;
}

MemoryImage BlockWithTotal(uint8_t b20, uint8_t b21, uint8_t b22)
{
    MemoryImage m{};
    m[20] = b20;
    m[21] = b21;
    m[22] = b22;
    return m;
}

} // namespace

class TodayTextsTest : public QObject {
    Q_OBJECT

private slots:
    // The TODAY line at the edges the window test does not reach: one lost day, a loss across a month and
    // a year end, the last day to connect, a download dated after today (the clock was set back).
    void syncStatusLine_data()
    {
        QTest::addColumn<SyncOutlook>("outlook");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("tone");
        const QDate today(2025, 1, 3);
        const auto outlook = [&](const QDate& last, int lost, const QDate& firstLost, const QDate& lastLost) {
            SyncOutlook o;
            o.Downloaded = true;
            o.LastDownloadDate = last;
            o.FirstDayAtRisk = std::max(last.addDays(1), today.addDays(-7));
            o.SaveBy = o.FirstDayAtRisk.addDays(7);
            o.DaysLeft = int(today.daysTo(o.SaveBy));
            o.LostDays = lost;
            o.FirstLost = firstLost;
            o.LastLost = lastLost;
            return o;
        };
        QTest::newRow("nothing downloaded") << SyncOutlook {} << QString() << int(SyncLineTone::Plain);
        QTest::newRow("one day lost")
            << outlook(QDate(2024, 12, 25), 1, QDate(2024, 12, 26), QDate(2024, 12, 26))
            << "1 day was lost (26 Dec): the pedometer keeps eight days" << int(SyncLineTone::Alarm);
        QTest::newRow("lost across the year end")
            << outlook(QDate(2024, 12, 20), 6, QDate(2024, 12, 21), QDate(2024, 12, 26))
            << QStringLiteral("6 days were lost (21\u201326 Dec): the pedometer keeps eight days") << int(SyncLineTone::Alarm);
        QTest::newRow("lost across months")
            << outlook(QDate(2024, 11, 20), 2, QDate(2024, 11, 30), QDate(2024, 12, 1))
            << QStringLiteral("2 days were lost (30 Nov\u20131 Dec): the pedometer keeps eight days") << int(SyncLineTone::Alarm);
        QTest::newRow("lost across years")
            << outlook(QDate(2024, 12, 20), 2, QDate(2024, 12, 31), QDate(2025, 1, 1))
            << QStringLiteral("2 days were lost (31 Dec 2024\u20131 Jan 2025): the pedometer keeps eight days")
            << int(SyncLineTone::Alarm);
        QTest::newRow("today is the last day")
            << outlook(QDate(2024, 12, 26), 0, QDate(), QDate())
            << QStringLiteral("Last download 8 days ago \u2013 connect the pedometer by Fri 3 Jan or Fri 27 Dec is lost")
            << int(SyncLineTone::Warning);
        QTest::newRow("three days left")
            << outlook(QDate(2024, 12, 29), 0, QDate(), QDate())
            << QStringLiteral("Last download 5 days ago \u2013 connect the pedometer by Mon 6 Jan or Mon 30 Dec is lost")
            << int(SyncLineTone::Plain);
        SyncOutlook timed = outlook(QDate(2025, 1, 2), 0, QDate(), QDate());
        timed.LastDownload = QDateTime(QDate(2025, 1, 2), QTime(23, 59, 59));
        QTest::newRow("yesterday with its time") << timed << "Last download: yesterday 23:59" << int(SyncLineTone::Plain);
        QTest::newRow("clock set back: counted as today")
            << outlook(today, 0, QDate(), QDate()) << "Last download: today" << int(SyncLineTone::Plain);
    }
    void syncStatusLine()
    {
        QFETCH(SyncOutlook, outlook);
        QFETCH(QString, text);
        QFETCH(int, tone);
        const SyncLine line = SyncStatusLine(outlook, QDate(2025, 1, 3), DefaultCatalog());
        QCOMPARE(line.Text, text);
        QCOMPARE(int(line.Tone), tone);
    }

    // A catalog's [SyncStatus] lines replace the built-in texts they hold, up to the next section; a
    // short, empty or unterminated section never damages the catalog.
    void syncTextsFromTheCatalog()
    {
        TSoftInfo c = DefaultCatalog();
        QVERIFY(ReadCatalogText(c, "[SyncStatus]\r\nHeute %1\r\n\r\n[Other]\r\nTotal,x,y\r\n", QStringLiteral("t")).ok);
        QCOMPARE(SyncStatusText(c, SyncLastToday), QStringLiteral("Heute %1"));
        QCOMPARE(SyncStatusText(c, SyncLastTodayUntimed), QStringLiteral("Last download: today"));
        QCOMPARE(SyncStatusText(c, SyncLastYesterday), QStringLiteral("Last download: yesterday %1"));
        QCOMPARE(LostDaysTip(3, c), QStringLiteral("3 days without data"));
        QCOMPARE(LostDaysTip(0, c), QString());
        QCOMPARE(DayStatusTip(DayStatus::Recorded, c), QString());
        TSoftInfo alone = DefaultCatalog();
        QVERIFY(ReadCatalogText(alone, "[SyncStatus]", QStringLiteral("t")).ok);
        QCOMPARE(SyncStatusText(alone, SyncTipLost), QStringLiteral("No data: this day was never downloaded"));
        QVERIFY(!DefaultCatalogBytes().contains("SyncStatus"));
    }

    void splitDisplayDate_data()
    {
        QTest::addColumn<QDate>("date");
        QTest::addColumn<int>("weekday");
        QTest::addColumn<QString>("suffix");
        QTest::addColumn<QString>("month");
        QTest::newRow("1st, Sunday") << QDate(2010, 8, 1) << 0 << "st" << "Aug";
        QTest::newRow("2nd") << QDate(2010, 8, 2) << 1 << "nd" << "Aug";
        QTest::newRow("3rd") << QDate(2010, 8, 3) << 2 << "rd" << "Aug";
        QTest::newRow("4th") << QDate(2010, 7, 4) << 0 << "th" << "Jul";
        QTest::newRow("11th") << QDate(2010, 1, 11) << 1 << "th" << "Jan";
        QTest::newRow("12th") << QDate(2010, 1, 12) << 2 << "th" << "Jan";
        QTest::newRow("13th") << QDate(2010, 1, 13) << 3 << "th" << "Jan";
        QTest::newRow("21st") << QDate(2010, 1, 21) << 4 << "st" << "Jan";
        QTest::newRow("22nd") << QDate(2011, 3, 22) << 2 << "nd" << "Mar";
        QTest::newRow("23rd") << QDate(2011, 3, 23) << 3 << "rd" << "Mar";
        QTest::newRow("31st, Saturday") << QDate(2011, 12, 31) << 6 << "st" << "Dec";
    }

    void splitDisplayDate()
    {
        QFETCH(QDate, date);
        QFETCH(int, weekday);
        QFETCH(QString, suffix);
        QFETCH(QString, month);
        const DisplayDate d = SplitDisplayDate(date, DefaultCatalog());
        QCOMPARE(d.Year, date.year());
        QCOMPARE(d.Month, date.month());
        QCOMPARE(d.Day, date.day());
        QCOMPARE(d.Weekday, weekday);
        QCOMPARE(d.DaySuffix, suffix);
        QCOMPARE(d.MonthName, month);
        QCOMPARE(d.monthYearText(), month + ' ' + QString::number(date.year()));
    }

    void dateKeyPadsMonthAndDay()
    {
        QCOMPARE(DateKeyText(QDate(2010, 7, 4)), QStringLiteral("20100704"));
        QCOMPARE(DateKeyText(QDate(2011, 12, 31)), QStringLiteral("20111231"));
        QCOMPARE(DateKey(QDate(2010, 7, 4)), 20100704u);
        QCOMPARE(DateKey(QDate()), 0u);
        QCOMPARE(DateFromKey(20000229), QDate(2000, 2, 29));
        QVERIFY(!DateFromKey(20110229).isValid());
        QVERIFY(!DateFromKey(0).isValid());
    }

    void selectedDateCrossesYearEnds()
    {
        QCOMPARE(SelectedDate(QDate(2011, 1, 1), -1), QDate(2010, 12, 31));
        QCOMPARE(SelectedDate(QDate(2010, 12, 31), 1), QDate(2011, 1, 1));
        QCOMPARE(SelectedDate(QDate(2012, 3, 1), -1), QDate(2012, 2, 29));
    }

    void findDayRecordTakesFirstMatch()
    {
        const DayRecordList records{Day(20100703, 1), Day(20100704, 2), Day(20100704, 3), Day(0, 4)};
        QCOMPARE(FindDayRecord(records, QStringLiteral("20100704")), std::optional<std::size_t>(1));
        QCOMPARE(FindDayRecord(records, 20100703u), std::optional<std::size_t>(0));
        QCOMPARE(FindDayRecord(records, QStringLiteral("20100705")), std::nullopt);
        // Text that is not a number looks up key 0.
        QCOMPARE(FindDayRecord(records, QStringLiteral("2010x")), std::optional<std::size_t>(3));
        QCOMPARE(FindDayRecord(DayRecordList{}, 20100704u), std::nullopt);
    }

    void findDayRecordReachesBeyond16BitPositions()
    {
        DayRecordList records(70000, Day(20000101, 1));
        records.back() = Day(20100704, 2);
        QCOMPARE(FindDayRecord(records, 20100704u), std::optional<std::size_t>(69999));
    }

    void formatThousands_data()
    {
        QTest::addColumn<qulonglong>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("zero") << 0ull << "0";
        QTest::newRow("three digits") << 999ull << "999";
        QTest::newRow("four digits") << 1000ull << "1,000";
        QTest::newRow("six digits") << 123456ull << "123,456";
        QTest::newRow("million") << 1000000ull << "1,000,000";
        QTest::newRow("seven digits") << 1234567ull << "1,234,567";
        QTest::newRow("32-bit max") << 4294967295ull << "4,294,967,295";
        QTest::newRow("13 digits") << 1234567890123ull << "1,234,567,890,123";
    }

    void formatThousands()
    {
        QFETCH(qulonglong, value);
        QFETCH(QString, text);
        QCOMPARE(FormatThousands(value), text);
    }

    void figureTexts_data()
    {
        QTest::addColumn<QString>("actual");
        QTest::addColumn<QString>("expected");
        const TSoftInfo c = DefaultCatalog();
        QTest::newRow("distance grouped") << DistanceText(123456, true, c) << "1,234.56km";
        QTest::newRow("distance below one") << DistanceText(5, true, c) << "0.05km";
        QTest::newRow("distance 7") << DistanceText(7, true, c) << "0.07km";
        QTest::newRow("distance whole") << DistanceText(100, true, c) << "1.00km";
        QTest::newRow("distance tens digit") << DistanceText(1290, true, c) << "12.90km";
        QTest::newRow("distance imperial") << DistanceText(7, false, c) << "0.07mile";
        QTest::newRow("distance 32-bit max") << DistanceText(4294967295u, true, c) << "42,949,672.95km";
        QTest::newRow("calories grouped") << CaloriesText(12345, c) << "1,234.5Kcal";
        QTest::newRow("calories below one") << CaloriesText(9, c) << "0.9Kcal";
        QTest::newRow("calories zero") << CaloriesText(0, c) << "0.0Kcal";
        QTest::newRow("minutes") << MinutesText(1500, c) << "1,500min";
        QTest::newRow("minutes zero") << MinutesText(0, c) << "0min";
    }

    void figureTexts()
    {
        QFETCH(QString, actual);
        QFETCH(QString, expected);
        QCOMPARE(actual, expected);
    }

    void targetPercent_data()
    {
        QTest::addColumn<uint>("steps");
        QTest::addColumn<uint>("target");
        QTest::addColumn<QString>("text");
        QTest::newRow("no target") << 5000u << 0u << "0%";
        QTest::newRow("no steps") << 0u << 10000u << "0%";
        QTest::newRow("one step shows 1%") << 1u << 10000u << "1%";
        QTest::newRow("truncates") << 9999u << 10000u << "99%";
        QTest::newRow("reached") << 10000u << 10000u << "100%";
        QTest::newRow("beyond is capped") << 25000u << 10000u << "100%";
        QTest::newRow("no overflow at 32-bit max") << 4294967294u << 4294967295u << "99%";
        // Single precision would round both counts and show 50%.
        QTest::newRow("exact above 2^24") << 16777216u << 33554433u << "49%";
    }

    void targetPercent()
    {
        QFETCH(uint, steps);
        QFETCH(uint, target);
        QFETCH(QString, text);
        QCOMPARE(TargetPercentText(steps, target), text);
        QCOMPARE(TargetPercent(steps, target), text.chopped(1).toInt());
    }

    void deviceTotalIgnoresTensDigitOfTopByte()
    {
        QCOMPARE(DeviceTotalText(BlockWithTotal(45, 23, 11)), QStringLiteral("12,345"));
        QCOMPARE(DeviceTotalText(MemoryImage{}), QStringLiteral("0"));
    }

    void todayFiguresOfSelectedDay()
    {
        TBINFile today = Day(20100704, 1234567, 10000);
        today.Distance = 123456;
        today.Calories = 9;
        today.WalkingTime = 1500;
        today.CardioSteps = 4321;
        today.CardioTime = 61;
        const DayRecordList records{Day(20100701, 1, 10000), today, Day(20100704, 5, 5),
                                    Day(20100706, 7000, 0), Day(20100707, 9999, 10000)};
        const TodayTexts t = ComputeTodayTexts(records, true, BlockWithTotal(45, 23, 11), QDate(2010, 7, 4),
                                               true, DefaultCatalog());
        QCOMPARE(t.DayText, QStringLiteral("4"));
        QCOMPARE(t.DaySuffix, QStringLiteral("th"));
        QCOMPARE(t.DateText, QStringLiteral("Jul 2010"));
        QCOMPARE(t.Steps, QStringLiteral("1,234,567"));
        QCOMPARE(t.Distance, QStringLiteral("1,234.56km"));
        QCOMPARE(t.Calories, QStringLiteral("0.9Kcal"));
        QCOMPARE(t.WalkingTime, QStringLiteral("1,500min"));
        QCOMPARE(t.TotalSteps, QStringLiteral("12,345"));
        QCOMPARE(t.TargetSteps, QStringLiteral("10,000"));
        QCOMPARE(t.TargetPercent, QStringLiteral("100%"));
        QCOMPARE(t.ModerateSteps, QStringLiteral("4,321"));
        QCOMPARE(t.ModerateTime, QStringLiteral("61min"));

        // Slot 0 shows three days ahead, slot 6 three days back; slot 3 the selected day.
        const QStringList days{"7", "6", "5", "4", "3", "2", "1"};
        const QStringList steps{"9,999", "7,000", "0", "1,234,567", "0", "0", "1"};
        const QStringList percents{"99%", "0%", "0%", "100%", "0%", "0%", "1%"};
        for (int k = 0; k < DayPanelSlots; ++k) {
            const DayPanelTexts& p = t.Slots[k];
            QCOMPARE(p.Date, QDate(2010, 7, 7).addDays(-k));
            QCOMPARE(p.Day, days[k]);
            QCOMPARE(p.MonthYear, QStringLiteral("Jul 2010"));
            QCOMPARE(p.StepUnit, QStringLiteral(" Step"));
            QCOMPARE(p.Steps, steps[k]);
            QCOMPARE(p.Percent, percents[k]);
        }
    }

    void dayWithoutRecordReadsZero()
    {
        const DayRecordList records{Day(20100704, 500, 1000)};
        const TodayTexts t = ComputeTodayTexts(records, true, MemoryImage{}, QDate(2010, 7, 5), false,
                                               DefaultCatalog());
        QCOMPARE(t.Steps, QStringLiteral("0"));
        QCOMPARE(t.TargetSteps, QStringLiteral("0"));
        QCOMPARE(t.TargetPercent, QStringLiteral("0%"));
        QCOMPARE(t.Distance, QStringLiteral("0.00mile"));
        QCOMPARE(t.Calories, QStringLiteral("0.0Kcal"));
        QCOMPARE(t.WalkingTime, QStringLiteral("0min"));
        QCOMPARE(t.ModerateSteps, QStringLiteral("0"));
        QCOMPARE(t.ModerateTime, QStringLiteral("0min"));
        QCOMPARE(t.TotalSteps, QStringLiteral("0"));
        QCOMPARE(t.Slots[4].Steps, QStringLiteral("500"));
        QCOMPARE(t.Slots[4].Percent, QStringLiteral("50%"));
    }

    void unloadedRecordsReadZeroEverywhere()
    {
        const DayRecordList stale{Day(20100704, 500, 1000)};
        const TodayTexts t = ComputeTodayTexts(stale, false, BlockWithTotal(45, 23, 11), QDate(2010, 7, 4), true,
                                               DefaultCatalog());
        QCOMPARE(t.DateText, QStringLiteral("Jul 2010"));
        QCOMPARE(t.Steps, QStringLiteral("0"));
        QCOMPARE(t.TotalSteps, QStringLiteral("0"));
        QCOMPARE(t.TargetPercent, QStringLiteral("0%"));
        QCOMPARE(t.Distance, QStringLiteral("0.00km"));
        for (const DayPanelTexts& p : t.Slots) {
            QCOMPARE(p.Steps, QStringLiteral("0"));
            QCOMPARE(p.Percent, QStringLiteral("0%"));
        }
        QCOMPARE(ActivityFileMissingText(QStringLiteral("/data/Ann.bin"), DefaultCatalog()),
                 QStringLiteral("/data/Ann.bin\r\nThe document does not exist or has damaged"));
    }

    // Dates before year 0 or after MaxDateKeyYear have no key of their own: a plain key would be negative
    // or wrap past 32 bits onto another day, and key 0 is what a damaged record may hold.
    void dateWithoutKeyShowsNoRecord_data()
    {
        QTest::addColumn<QDate>("selected");
        QTest::addColumn<uint32_t>("collidingKey");
        QTest::newRow("before year 0") << QDate(-5, 1, 1) << 0u;
        QTest::newRow("after the last key year") << QDate(429497, 1, 1) << uint32_t(429497ull * 10000 + 101 - (1ull << 32));
    }

    void dateWithoutKeyShowsNoRecord()
    {
        QFETCH(QDate, selected);
        QFETCH(uint32_t, collidingKey);
        QCOMPARE(DateKey(selected), 0u);
        QCOMPARE(DateKey(QDate(MaxDateKeyYear, 12, 31)), 4294961231u);
        const DayRecordList records{Day(collidingKey, 500, 1000)};
        const TodayTexts t = ComputeTodayTexts(records, true, MemoryImage{}, selected, true, DefaultCatalog());
        QCOMPARE(t.Steps, QStringLiteral("0"));
        QCOMPARE(t.TargetPercent, QStringLiteral("0%"));
        QCOMPARE(t.Slots[SelectedSlot].Steps, QStringLiteral("0"));
    }

    void slotsFollowSelectedDateAcrossMonths()
    {
        const TodayTexts t = ComputeTodayTexts({}, true, MemoryImage{}, QDate(2011, 1, 1), true, DefaultCatalog());
        QCOMPARE(t.Slots[0].MonthYear, QStringLiteral("Jan 2011"));
        QCOMPARE(t.Slots[0].Day, QStringLiteral("4"));
        QCOMPARE(t.Slots[6].MonthYear, QStringLiteral("Dec 2010"));
        QCOMPARE(t.Slots[6].Day, QStringLiteral("29"));
        QCOMPARE(t.DaySuffix, QStringLiteral("st"));
    }
};

QTEST_GUILESS_MAIN(TodayTextsTest)
#include "test_texts.moc"
