#include "charts/period_view.h"

#include "charts/chart_texts.h"
#include "store/date_key.h"

#include <QTest>

#include <cmath>
#include <numeric>

namespace {

TBINFile Day(const QDate& d, uint32_t steps, uint32_t target = 0)
{
    TBINFile r;
    r.Date = DateKey(d);
    r.Steps = steps;
    r.TargetSteps = target;
    return r;
}

// One record of `steps` steps on every day of the year.
DayRecordList EveryDayOf(int year, uint32_t steps = 1)
{
    DayRecordList records;
    for (QDate d(year, 1, 1); d.year() == year; d = d.addDays(1))
        records.push_back(Day(d, steps));
    return records;
}

QStringList Numbers(int from, int to)
{
    QStringList out;
    for (int i = from; i <= to; ++i)
        out << QString::number(i);
    return out;
}

} // namespace

Q_DECLARE_METATYPE(PeriodMode)

class PeriodViewTest : public QObject {
    Q_OBJECT

private slots:
    void emptyStore_data()
    {
        QTest::addColumn<PeriodMode>("mode");
        QTest::addColumn<QDate>("selected");
        QTest::addColumn<int>("bars");
        QTest::addColumn<double>("stepsMax");
        QTest::addColumn<int>("grid");
        QTest::newRow("daily, February of a common year") << PeriodMode::Daily << QDate(2011, 2, 10) << 28 << 1000.0 << 5;
        QTest::newRow("daily, February of a leap year") << PeriodMode::Daily << QDate(2012, 2, 10) << 29 << 1000.0 << 5;
        QTest::newRow("daily, February 1900") << PeriodMode::Daily << QDate(1900, 2, 1) << 28 << 1000.0 << 5;
        QTest::newRow("daily, July") << PeriodMode::Daily << QDate(2011, 7, 4) << 31 << 1000.0 << 5;
        QTest::newRow("weekly 2011") << PeriodMode::Weekly << QDate(2011, 7, 4) << 53 << 1.0 << 5;
        QTest::newRow("weekly 2012, leap from Sunday") << PeriodMode::Weekly << QDate(2012, 1, 1) << 53 << 1.0 << 5;
        QTest::newRow("weekly 2000, leap from Saturday") << PeriodMode::Weekly << QDate(2000, 12, 31) << 54 << 1.0 << 5;
        QTest::newRow("monthly") << PeriodMode::Monthly << QDate(2011, 7, 4) << 12 << 1.0 << 1;
        QTest::newRow("yearly") << PeriodMode::Yearly << QDate(2011, 7, 4) << 0 << 1.0 << 1;
    }

    void emptyStore()
    {
        QFETCH(PeriodMode, mode);
        QFETCH(QDate, selected);
        QFETCH(int, bars);
        QFETCH(double, stepsMax);
        QFETCH(int, grid);
        DayRecordList none;
        const PeriodView v = ComputePeriodView(none, selected, mode);
        QCOMPARE(v.Mode, mode);
        QCOMPARE(v.barCount(), bars);
        QCOMPARE(v.Labels, mode == PeriodMode::Yearly ? QStringList() : Numbers(1, bars));
        for (int m = 0; m < MeasureCount; ++m) {
            QCOMPARE(v.Values[m], std::vector<double>(bars, 0.0));
            QCOMPARE(v.AxisMaximum[m], m == MeasureSteps ? stepsMax : 1.0);
        }
        QVERIFY(!v.HasTargetLine);
        QVERIFY(!v.hasDayTarget);
        QCOMPARE(v.GridSpacing, grid);
    }

    void dailyTargetLine_data()
    {
        QTest::addColumn<bool>("selectedHasRecord");
        QTest::addColumn<uint>("target");
        QTest::addColumn<uint>("bestDay");
        QTest::addColumn<double>("lineY");
        QTest::addColumn<bool>("hasDayTarget");
        QTest::addColumn<double>("stepsMax");
        QTest::newRow("target below best day") << true << 8000u << 12000u << 8000.0 << true << 13000.0;
        QTest::newRow("target above best day") << true << 8000u << 5000u << 8000.0 << true << 9000.0;
        QTest::newRow("no target: line at 1000") << true << 0u << 500u << 1000.0 << false << 2000.0;
        QTest::newRow("no target, busy month") << true << 0u << 7300u << 1000.0 << false << 8300.0;
        QTest::newRow("selected day without record") << false << 8000u << 4200u << -1.0 << false << 5200.0;
    }

    void dailyTargetLine()
    {
        QFETCH(bool, selectedHasRecord);
        QFETCH(uint, target);
        QFETCH(uint, bestDay);
        QFETCH(double, lineY);
        QFETCH(bool, hasDayTarget);
        QFETCH(double, stepsMax);
        const QDate selected(2011, 7, 4);
        DayRecordList records{Day(QDate(2011, 7, 20), bestDay), Day(QDate(2011, 6, 30), 99999),
                              Day(QDate(2011, 8, 1), 99999)};
        if (selectedHasRecord)
            records.push_back(Day(selected, 100, target));
        else
            records.push_back(Day(selected.addDays(1), 100, target));

        const PeriodView v = DailyView(records, selected);
        QCOMPARE(v.barCount(), 31);
        QCOMPARE(v.Values[MeasureSteps][19], double(bestDay));
        QCOMPARE(v.HasTargetLine, lineY >= 0);
        if (v.HasTargetLine) {
            QCOMPARE(v.TargetLineStart, QPointF(0, lineY));
            QCOMPARE(v.TargetLineEnd, QPointF(31, lineY));
        }
        QCOMPARE(v.hasDayTarget, hasDayTarget);
        QCOMPARE(v.AxisMaximum[MeasureSteps], stepsMax);
    }

    void measureValuesAreExactDecimals()
    {
        TBINFile r = Day(QDate(2011, 7, 1), 12);
        r.Distance = 1234;
        r.Calories = 7;
        r.WalkingTime = 45;
        r.CardioSteps = 300;
        r.CardioTime = 5;
        TBINFile small = Day(QDate(2011, 7, 2), 0);
        small.Distance = 5;
        TBINFile whole = Day(QDate(2011, 7, 3), 0);
        whole.Distance = 100;
        const PeriodView v = DailyView({r, small, whole}, QDate(2011, 7, 9));
        QCOMPARE(v.Values[MeasureSteps][0], 12.0);
        QCOMPARE(v.Values[MeasureDistance][0], 12.34);
        QCOMPARE(v.Values[MeasureDistance][1], 0.05);
        QCOMPARE(v.Values[MeasureDistance][2], 1.0);
        QCOMPARE(v.Values[MeasureCalories][0], 0.7);
        QCOMPARE(v.Values[MeasureWalkingTime][0], 45.0);
        QCOMPARE(v.Values[MeasureCardioSteps][0], 300.0);
        QCOMPARE(v.Values[MeasureCardioTime][0], 5.0);
        QCOMPARE(v.AxisMaximum[MeasureDistance], 12.34 * 1.1111111111111112);
        QCOMPARE(v.AxisMaximum[MeasureCardioSteps], 300 * 1.1111111111111112);
    }

    void weeksRunSundayToSaturdayClippedToYear_data()
    {
        QTest::addColumn<int>("year");
        QTest::addColumn<int>("bars");
        QTest::addColumn<double>("firstWeek");
        QTest::addColumn<double>("lastWeek");
        QTest::newRow("2011 starts and ends on Saturday") << 2011 << 53 << 1.0 << 7.0;
        QTest::newRow("2012 leap from Sunday") << 2012 << 53 << 7.0 << 2.0;
        QTest::newRow("2000 leap from Saturday") << 2000 << 54 << 1.0 << 1.0;
        QTest::newRow("2010 from Friday") << 2010 << 53 << 2.0 << 6.0;
    }

    void weeksRunSundayToSaturdayClippedToYear()
    {
        QFETCH(int, year);
        QFETCH(int, bars);
        QFETCH(double, firstWeek);
        QFETCH(double, lastWeek);
        DayRecordList records = EveryDayOf(year);
        // Neighbouring years must not leak into the first or last week.
        records.push_back(Day(QDate(year - 1, 12, 31), 1000));
        records.push_back(Day(QDate(year + 1, 1, 1), 1000));
        const PeriodView v = WeeklyView(records, QDate(year, 6, 15));
        QCOMPARE(v.barCount(), bars);
        QCOMPARE(v.Labels, Numbers(1, bars));
        const std::vector<double>& steps = v.Values[MeasureSteps];
        QCOMPARE(steps.front(), firstWeek);
        QCOMPARE(steps.back(), lastWeek);
        for (int w = 1; w + 1 < bars; ++w)
            QCOMPARE(steps[w], 7.0);
        QCOMPARE(v.AxisMaximum[MeasureSteps], 7 * 1.1111111111111112);
    }

    void monthlySumsFirstRecordOfEachDay()
    {
        DayRecordList records = EveryDayOf(2012);
        records.push_back(Day(QDate(2012, 2, 29), 500)); // a later duplicate is ignored
        records.insert(records.begin(), Day(QDate(2012, 3, 1), 100)); // an earlier one replaces the day
        records.push_back(Day(QDate(2011, 12, 31), 1000));
        TBINFile bogus;
        bogus.Date = 20120230; // inside the year's key range but not a day
        bogus.Steps = 1000;
        records.push_back(bogus);

        const PeriodView v = MonthlyView(records, QDate(2012, 11, 5));
        QCOMPARE(v.Labels, Numbers(1, 12));
        const std::vector<double> expected{31, 29, 130, 30, 31, 30, 31, 31, 30, 31, 30, 31};
        QCOMPARE(v.Values[MeasureSteps], expected);

        const PeriodView daily = DailyView(records, QDate(2012, 3, 1));
        QCOMPARE(daily.Values[MeasureSteps][0], 100.0);
        const PeriodView weekly = WeeklyView(records, QDate(2012, 3, 1));
        QCOMPARE(weekly.Values[MeasureSteps][8], 106.0); // 26 Feb - 3 Mar
    }

    void largeCountsDoNotWrap()
    {
        const DayRecordList records{Day(QDate(2011, 5, 1), 4294967295u), Day(QDate(2011, 5, 2), 4294967295u)};
        const PeriodView v = MonthlyView(records, QDate(2011, 1, 1));
        QCOMPARE(v.Values[MeasureSteps][4], 8589934590.0);
        QCOMPARE(v.AxisMaximum[MeasureSteps], 8589934590.0 * 1.1111111111111112);
        const PeriodView d = DailyView(records, QDate(2011, 5, 1));
        QCOMPARE(d.AxisMaximum[MeasureSteps], 4294967295.0 + 1000);
    }

    // The last day of the last year the yearly view charts, and of the last year a key can name: each
    // period view still shows that day's record.
    void viewsOfTheLastKeys_data()
    {
        QTest::addColumn<QDate>("day");
        QTest::newRow("31 December 9999") << QDate(9999, 12, 31);
        QTest::newRow("31 December 429496") << QDate(MaxDateKeyYear, 12, 31);
    }
    void viewsOfTheLastKeys()
    {
        QFETCH(QDate, day);
        DayRecordList records{Day(day, 700), Day(day.addDays(-1), 50), Day(QDate(2011, 5, 1), 9)};
        QCOMPARE(records[0].Date, DateKey(day));
        QCOMPARE(DailyView(records, day).Values[MeasureSteps][30], 700.0);
        QCOMPARE(MonthlyView(records, day).Values[MeasureSteps][11], 750.0);
        const PeriodView weekly = WeeklyView(records, day);
        const std::vector<double>& weeks = weekly.Values[MeasureSteps];
        QCOMPARE(std::accumulate(weeks.begin(), weeks.end(), 0.0), 750.0);
        const PeriodView years = YearlyView(records);
        const bool charted = day.year() <= 9999;
        QCOMPARE(years.Labels.last(), QString::number(charted ? day.year() : 2015));
        QCOMPARE(years.Values[MeasureSteps].back(), charted ? 750.0 : 0.0);
    }

    // Keys of a year past 429496 would wrap past 32 bits onto those of an early year: the record of
    // 1 October of year 3 must not show as 1 October 1717990.
    void dailyViewOfYearWithoutKeys()
    {
        const DayRecordList records{Day(QDate(3, 10, 1), 500)};
        QCOMPARE(DailyView(records, QDate(3, 10, 1)).Values[MeasureSteps][0], 500.0);
        const PeriodView far = DailyView(records, QDate(1717990, 10, 1));
        QCOMPARE(far.barCount(), 31);
        QCOMPARE(far.Values[MeasureSteps][0], 0.0);
        QVERIFY(!far.HasTargetLine);
        QCOMPARE(MonthlyView(records, QDate(1717990, 10, 1)).Values[MeasureSteps][9], 0.0);
    }

    void yearlyPadsToFiveYears_data()
    {
        QTest::addColumn<QList<int>>("years");
        QTest::addColumn<QStringList>("labels");
        QTest::addColumn<std::vector<double>>("steps");
        QTest::newRow("one year") << QList<int>{2011} << Numbers(2011, 2015) << std::vector<double>{1, 0, 0, 0, 0};
        QTest::newRow("three years") << QList<int>{2011, 2009, 2010} << Numbers(2009, 2013)
                                     << std::vector<double>{1, 1, 1, 0, 0};
        QTest::newRow("six years") << QList<int>{2006, 2007, 2008, 2009, 2010, 2011} << Numbers(2006, 2011)
                                   << std::vector<double>(6, 1);
        QTest::newRow("gap") << QList<int>{2011, 2008} << Numbers(2008, 2012) << std::vector<double>{1, 0, 0, 1, 0};
    }

    void yearlyPadsToFiveYears()
    {
        QFETCH(QList<int>, years);
        QFETCH(QStringList, labels);
        QFETCH(std::vector<double>, steps);
        DayRecordList records;
        for (int y : years)
            records.push_back(Day(QDate(y, 3, 1), 1));
        const PeriodView v = YearlyView(records);
        QCOMPARE(v.Labels, labels);
        QCOMPARE(v.Values[MeasureSteps], steps);
        QCOMPARE(v.GridSpacing, 1);
    }

    void yearlySortsStoreAndCountsDuplicates()
    {
        TBINFile dup = Day(QDate(2010, 1, 1), 5);
        dup.Distance = 250;
        DayRecordList records{Day(QDate(2011, 12, 31), 3), dup, Day(QDate(2010, 6, 1), 7), dup,
                              Day(QDate(2009, 12, 31), 11)};
        records[3].Steps = 6;
        const PeriodView v = YearlyView(records);
        QCOMPARE(v.Labels, Numbers(2009, 2013));
        QCOMPARE(v.Values[MeasureSteps], (std::vector<double>{11, 18, 3, 0, 0}));
        QCOMPARE(v.Values[MeasureDistance][1], 5.0);
        QCOMPARE(v.AxisMaximum[MeasureSteps], 18 * 1.1111111111111112);

        std::vector<uint32_t> order;
        for (const TBINFile& r : records)
            order.push_back(r.Date);
        QCOMPARE(order, (std::vector<uint32_t>{20091231, 20100101, 20100101, 20100601, 20111231}));
        QCOMPARE(records[1].Steps, 5u); // equal keys keep their store order
        QCOMPARE(records[2].Steps, 6u);
    }

    // Every key counts in the year it names, a damaged day of a real year included, so the bars add up
    // to the totals; only keys that name no year (year 0, nine and more digits) are left out.
    void yearlyCountsEveryKeyInItsYear_data()
    {
        QTest::addColumn<QList<uint32_t>>("inYear");
        QTest::addColumn<QList<uint32_t>>("noYear");
        QTest::addColumn<int>("firstYear");
        QTest::addColumn<int>("bars");
        const QList<uint32_t> noYear{0, 9999, 100000000, 4000000101u /* 1 January 400000 */, 4294967295u};
        QTest::newRow("damaged days of 2011")
            << QList<uint32_t>{20110201, 20110230, 20111300, 20111340, 20110000, 20110201} << noYear << 2011 << 5;
        QTest::newRow("over a gap") << QList<uint32_t>{20121399, 20090229} << noYear << 2009 << 5;
        QTest::newRow("the first key of year 1") << QList<uint32_t>{10000, 20110201} << noYear << 1 << 2011;
        QTest::newRow("the last day of year 9999") << QList<uint32_t>{99991231, 20110201} << noYear << 2011 << 7989;
        QTest::newRow("the last eight-digit key") << QList<uint32_t>{99999999, 20110201} << noYear << 2011 << 7989;
        QTest::newRow("no year at all") << QList<uint32_t>{} << noYear << 0 << 0;
    }
    void yearlyCountsEveryKeyInItsYear()
    {
        QFETCH(QList<uint32_t>, inYear);
        QFETCH(QList<uint32_t>, noYear);
        QFETCH(int, firstYear);
        QFETCH(int, bars);
        DayRecordList charted, records;
        uint32_t n = 0;
        for (uint32_t key : inYear + noYear) {
            ++n;
            TBINFile r;
            r.Date = key;
            r.Steps = 1000 * n;
            r.Distance = 7 * n;
            r.Calories = 3 * n;
            r.WalkingTime = r.CardioSteps = r.CardioTime = n;
            records.push_back(r);
            if (inYear.contains(key))
                charted.push_back(r);
        }
        const PeriodView v = YearlyView(records);
        QCOMPARE(v.barCount(), bars);
        if (bars == 0) {
            QCOMPARE(v.AxisMaximum[MeasureSteps], 1.0);
            return;
        }
        QCOMPARE(v.Labels.first(), QString::number(firstYear));
        QCOMPARE(v.Labels.last(), QString::number(firstYear + bars - 1));
        const RecordTotals totals = SumRecords(charted);
        const double unit[MeasureCount] = {1, 100, 10, 1, 1, 1};
        for (int m = 0; m < MeasureCount; ++m) {
            double sum = 0;
            for (double bar : v.Values[m])
                sum += bar;
            QCOMPARE(std::llround(sum * unit[m]), static_cast<long long>(totals.Sums[m]));
        }
        // The keys of no year stay in the sorted store, at its ends.
        QCOMPARE(records.front().Date, 0u);
        QCOMPARE(records.back().Date, 4294967295u);
    }
};

QTEST_GUILESS_MAIN(PeriodViewTest)
#include "test_period_view.moc"
