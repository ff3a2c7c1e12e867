#pragma once

#include "store/day_record.h"

#include <QDate>
#include <QPointF>
#include <QStringList>

#include <array>
#include <cstdint>
#include <vector>

enum class PeriodMode { Daily = 0, Weekly = 1, Monthly = 2, Yearly = 3 };

// The six charted measures, in the order of the RECORD panels and of [RecordPanel].
enum Measure {
    MeasureSteps,
    MeasureDistance,    // in the records' distance unit, two decimals
    MeasureCalories,    // kcal, one decimal
    MeasureWalkingTime, // minutes
    MeasureCardioSteps,
    MeasureCardioTime,  // minutes
    MeasureCount
};

// What the record charts show for one period, independent of any chart component. Bars stand at
// positions 0, 1, 2 ... in order; all six measures share the labels.
struct PeriodView {
    PeriodMode Mode = PeriodMode::Daily;
    QStringList Labels; // "1" ... "31", week or month numbers, or years
    std::array<std::vector<double>, MeasureCount> Values;

    // Daily view only: the horizontal target line on the Steps chart, from bar position 0 to one past
    // the last bar, at the selected day's target (1000 when that day's record has none).
    bool HasTargetLine = false;
    QPointF TargetLineStart;
    QPointF TargetLineEnd;
    // True only when the target line stands at the selected day's own stored target.
    bool hasDayTarget = false;

    std::array<double, MeasureCount> AxisMaximum{}; // vertical axes; the minimum is 0
    int GridSpacing = 1;                            // a vertical grid line at every n-th bar label

    int barCount() const { return static_cast<int>(Labels.size()); }
};

// One bar per day of the selected date's month, each from the first record of that day.
PeriodView DailyView(const DayRecordList& records, const QDate& selected);
// One bar per Sunday-to-Saturday week of the selected year, clipped to the year: 53, or 54 in a leap
// year that begins on a Saturday. Only the first record of each day counts.
PeriodView WeeklyView(const DayRecordList& records, const QDate& selected);
// Twelve month bars of the selected year; only the first record of each day counts.
PeriodView MonthlyView(const DayRecordList& records, const QDate& selected);
// The keys the yearly view charts: those of the years 1 to 9999, the years of an eight-digit key.
constexpr uint32_t MinChartedDateKey = 10000;
constexpr uint32_t MaxChartedDateKey = 99999999;

// One bar per calendar year from the earliest to the latest record, padded with empty later years to
// at least five; no bars for an empty list. Every record counts in the year of its Date (Date div
// 10000), duplicates and keys that name no real day of that year (20110230, 20111300) included, so
// the bars add up to the totals of those records. Keys outside MinChartedDateKey to MaxChartedDateKey
// (year 0, or five and more digits) belong to no year and are left out, so a view has at most 9999
// bars. Sorts records in place by Date (stable), and the caller keeps that order.
PeriodView YearlyView(DayRecordList& records);

PeriodView ComputePeriodView(DayRecordList& records, const QDate& selected, PeriodMode mode);

// An axis maximum that leaves a tenth of headroom above the tallest bar; 1 for an empty chart.
double TenNinthsMaximum(double tallestBar);
