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
