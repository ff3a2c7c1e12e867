#pragma once

#include "catalog/soft_info.h"
#include "charts/period_view.h"
#include "store/day_record.h"

#include <QString>

#include <array>
#include <cstdint>

// Every record's six measures summed, whatever the period; 64-bit so that no history can wrap them.
struct RecordTotals {
    std::array<uint64_t, MeasureCount> Sums{}; // by Measure; distance in hundredths, calories in tenths
};

RecordTotals SumRecords(const DayRecordList& records);

// The six "Total:" captions of the RECORD panels, by Measure: [Other] 0, ":", the figure (not grouped;
// distance with two decimals, calories with one) and the unit without spaces, e.g. "Total:12.05km".
// Cardio steps carry no unit.
std::array<QString, MeasureCount> RecordTotalTexts(const RecordTotals& totals, bool metric, const TSoftInfo& catalog);

// The caption above a chart's vertical axis: the [RecordPanel] word, with its unit in parentheses for
// distance, calories and the two times, e.g. "Distance(km)".
QString ChartAxisCaption(Measure measure, bool metric, const TSoftInfo& catalog);

// The caption under the charts: "Day(Jul)", "Week(2011)", "Month(2011)" or "Year", from the year and
// month (1-12) of the date the section was entered with.
QString PeriodCaption(PeriodMode mode, int recordYear, int recordMonth, const TSoftInfo& catalog);

// The tooltip of one bar: the period it covers and its exact value with the unit after a space, e.g.
// "Week 23: 52,140 steps", "14 Jul 2011: 8.76 km", "Jul 2011: 9.8 Kcal", "2011: 1,500 min". year and
// month (1-12) are those of the date the view was computed for. Empty for a bar the view lacks.
QString BarToolTipText(const PeriodView& view, Measure measure, int bar, int year, int month, bool metric,
                       const TSoftInfo& catalog);

// The decimals of a chart's vertical axis labels: none for steps ("#,##0"), three for distance
// ("#,##0.000"), two for the others ("#,##0.00").
int AxisDecimals(Measure measure);
// A label of a chart's vertical axis: value rounded to the measure's decimals, the whole part grouped
// in thousands with ",". Negative values read 0.
QString AxisValueText(Measure measure, double value);
