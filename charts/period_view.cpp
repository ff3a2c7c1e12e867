#include "charts/period_view.h"

// Implements period_view.h; a name ending in _view would put it in the widgets library.

#include "store/date_key.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace {

// Sums are 64-bit so that no number of records can wrap them.
struct Sums {
    std::array<uint64_t, MeasureCount> v{};

    void add(const TBINFile& r)
    {
        v[MeasureSteps] += r.Steps;
        v[MeasureDistance] += r.Distance;
        v[MeasureCalories] += r.Calories;
        v[MeasureWalkingTime] += r.WalkingTime;
        v[MeasureCardioSteps] += r.CardioSteps;
        v[MeasureCardioTime] += r.CardioTime;
    }
};

void AddBar(PeriodView& view, int label, const Sums& s)
{
    view.Labels.append(QString::number(label));
    for (int m = 0; m < MeasureCount; ++m) {
        double value = static_cast<double>(s.v[m]);
        if (m == MeasureDistance)
            value /= 100.0;  // hundredths
        else if (m == MeasureCalories)
            value /= 10.0;   // tenths
        view.Values[m].push_back(value);
    }
}

double Tallest(const std::vector<double>& values)
{
    double best = 0;
    for (double v : values)
        best = std::max(best, v);
    return best;
}

void SetTenNinthsAxes(PeriodView& view, int first)
{
    for (int m = first; m < MeasureCount; ++m)
        view.AxisMaximum[m] = TenNinthsMaximum(Tallest(view.Values[m]));
}

// The first record of each day of one year, by day of the year (0-based); -1 where there is none.
// One pass over the list instead of a scan per day; the first record of a day wins as in FindDayRecord.
std::array<int64_t, 366> FirstRecordPerDay(const DayRecordList& records, int year)
{
    std::array<int64_t, 366> first;
    first.fill(-1);
    // A year without keys of its own: its bounds would wrap onto the keys of other years.
    if (year < 1 || year > MaxDateKeyYear)
        return first;
    const uint32_t lo = static_cast<uint32_t>(year) * 10000u;
    const uint32_t hi = lo + 1231u;
    std::array<int, 13> daysBefore{};
    for (int m = 1; m <= 12; ++m)
        daysBefore[m] = daysBefore[m - 1] + QDate(year, m, 1).daysInMonth();
    for (std::size_t i = 0; i < records.size(); ++i) {
        const uint32_t key = records[i].Date;
        if (key < lo + 101u || key > hi)
            continue;
        const int month = static_cast<int>(key / 100u % 100u);
        const int day = static_cast<int>(key % 100u);
        if (month < 1 || month > 12 || day < 1 || day > daysBefore[month] - daysBefore[month - 1])
            continue;
        int64_t& slot = first[daysBefore[month - 1] + day - 1];
        if (slot < 0)
            slot = static_cast<int64_t>(i);
    }
    return first;
}

} // namespace

double TenNinthsMaximum(double tallestBar)
{
    const double top = tallestBar * 1.1111111111111112;
    return top == 0 ? 1.0 : top;
}

PeriodView DailyView(const DayRecordList& records, const QDate& selected)
{
    PeriodView view;
    view.Mode = PeriodMode::Daily;
    const int year = selected.year();
    const int month = selected.month();
    const int days = selected.daysInMonth();
    const int dayOfYear0 = QDate(year, month, 1).dayOfYear() - 1;
    const auto first = FirstRecordPerDay(records, year);

    double target = 0;
    for (int i = 1; i <= days; ++i) {
        Sums s;
        const int64_t at = first[dayOfYear0 + i - 1];
        if (at >= 0) {
            const TBINFile& r = records[static_cast<std::size_t>(at)];
            s.add(r);
            if (i == selected.day()) {
                // A day without a target of its own still gets a line, at 1000 steps.
                view.hasDayTarget = r.TargetSteps != 0;
                target = view.hasDayTarget ? r.TargetSteps : 1000.0;
                view.HasTargetLine = true;
                view.TargetLineStart = QPointF(0, target);
                view.TargetLineEnd = QPointF(days, target);
            }
        }
        AddBar(view, i, s);
    }

    const double chartTop = std::max(Tallest(view.Values[MeasureSteps]), target);
    view.AxisMaximum[MeasureSteps] = std::max(std::trunc(chartTop), target) + 1000.0;
    SetTenNinthsAxes(view, MeasureSteps + 1);
    view.GridSpacing = 5;
    return view;
}

PeriodView WeeklyView(const DayRecordList& records, const QDate& selected)
{
    PeriodView view;
    view.Mode = PeriodMode::Weekly;
    const int year = selected.year();
    const auto first = FirstRecordPerDay(records, year);
    const int daysInYear = QDate(year, 1, 1).daysInYear();
    // Qt counts Monday = 1 ... Sunday = 7; a week ends before the next Sunday.
    int weekday = QDate(year, 1, 1).dayOfWeek() % 7; // 0 = Sunday
    int day = 0;
    for (int w = 0; day < daysInYear && w < 54; ++w) {
        Sums s;
        do {
            if (first[day] >= 0)
                s.add(records[static_cast<std::size_t>(first[day])]);
            ++day;
            weekday = (weekday + 1) % 7;
        } while (weekday != 0 && day < daysInYear);
        AddBar(view, w + 1, s);
    }
    SetTenNinthsAxes(view, MeasureSteps);
    view.GridSpacing = 5;
    return view;
}

PeriodView MonthlyView(const DayRecordList& records, const QDate& selected)
{
    PeriodView view;
    view.Mode = PeriodMode::Monthly;
    const int year = selected.year();
    const auto first = FirstRecordPerDay(records, year);
    int day = 0;
    for (int m = 1; m <= 12; ++m) {
        Sums s;
        const int end = day + QDate(year, m, 1).daysInMonth();
        for (; day < end; ++day) {
            if (first[day] >= 0)
                s.add(records[static_cast<std::size_t>(first[day])]);
        }
        AddBar(view, m, s);
    }
    SetTenNinthsAxes(view, MeasureSteps);
    view.GridSpacing = 1;
    return view;
}

PeriodView YearlyView(DayRecordList& records)
{
    PeriodView view;
    view.Mode = PeriodMode::Yearly;
    view.GridSpacing = 1;
    std::stable_sort(records.begin(), records.end(),
                     [](const TBINFile& a, const TBINFile& b) { return a.Date < b.Date; });

    // Year 0 is no calendar year, and a year of five or more digits would stretch the chart over up
    // to 429,496 mostly empty years; a damaged key inside a real year still counts in it.
    const auto inYear = [](const TBINFile& r) { return r.Date >= MinChartedDateKey && r.Date <= MaxChartedDateKey; };
    const auto firstReal = std::find_if(records.begin(), records.end(), inYear);
    if (firstReal == records.end()) {
        SetTenNinthsAxes(view, MeasureSteps);
        return view;
    }
    const auto lastReal = std::find_if(records.rbegin(), records.rend(), inYear);
    const int firstYear = static_cast<int>(firstReal->Date / 10000u);
    const int lastYear = static_cast<int>(lastReal->Date / 10000u);

    auto it = firstReal;
    for (int y = firstYear; y <= lastYear; ++y) {
        Sums s;
        for (; it != records.end() && static_cast<int>(it->Date / 10000u) == y; ++it)
            s.add(*it);
        AddBar(view, y, s);
    }
    for (int y = lastYear + 1; y <= firstYear + 4; ++y)
        AddBar(view, y, Sums{});
    SetTenNinthsAxes(view, MeasureSteps);
    return view;
}

PeriodView ComputePeriodView(DayRecordList& records, const QDate& selected, PeriodMode mode)
{
    switch (mode) {
    case PeriodMode::Weekly: return WeeklyView(records, selected);
    case PeriodMode::Monthly: return MonthlyView(records, selected);
    case PeriodMode::Yearly: return YearlyView(records);
    case PeriodMode::Daily: break;
    }
    return DailyView(records, selected);
}
