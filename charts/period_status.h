#pragma once

#include "charts/period_view.h"
#include "store/day_status.h"

#include <QDate>

#include <vector>

// What the bars of a RECORD view hold of days without data; the bars' values are not touched.
struct PeriodDayStatus {
    std::vector<DayStatus> Days;   // daily view: the status of each bar's day, in bar order; else empty
    std::vector<int> LostDays;     // weekly and monthly views: the lost days inside each bar; else empty
};

// For the view computed for selected (the same weeks and months as WeeklyView and MonthlyView). The
// yearly view gets nothing.
PeriodDayStatus ComputePeriodDayStatus(const PeriodView& view, const QDate& selected, const DayStatusIndex& index);
