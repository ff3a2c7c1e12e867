#include "charts/period_status.h"

PeriodDayStatus ComputePeriodDayStatus(const PeriodView& view, const QDate& selected, const DayStatusIndex& index)
{
    PeriodDayStatus status;
    if (!selected.isValid())
        return status;
    const int year = selected.year();
    switch (view.Mode) {
    case PeriodMode::Daily:
        for (int i = 0; i < view.barCount(); ++i)
            status.Days.push_back(index.StatusOf(QDate(year, selected.month(), i + 1)));
        break;
    case PeriodMode::Weekly: {
        // Sunday to Saturday, the first and last weeks clipped to the year.
        QDate start(year, 1, 1);
        const QDate end(year, 12, 31);
        for (int w = 0; w < view.barCount() && start <= end; ++w) {
            const QDate saturday = start.addDays(6 - start.dayOfWeek() % 7);
            const QDate last = std::min(saturday, end);
            status.LostDays.push_back(index.LostDaysIn(start, last));
            start = last.addDays(1);
        }
        break;
    }
    case PeriodMode::Monthly:
        for (int m = 1; m <= 12 && m <= view.barCount(); ++m) {
            const QDate first(year, m, 1);
            status.LostDays.push_back(index.LostDaysIn(first, first.addDays(first.daysInMonth() - 1)));
        }
        break;
    case PeriodMode::Yearly: break;
    }
    return status;
}
