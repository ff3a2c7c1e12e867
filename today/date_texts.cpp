#include "today/date_texts.h"

QString DisplayDate::monthYearText() const
{
    return MonthName + QLatin1Char(' ') + QString::number(Year);
}

DisplayDate SplitDisplayDate(const QDate& date, const TSoftInfo& catalog)
{
    DisplayDate d;
    d.Year = date.year();
    d.Month = date.month();
    d.Day = date.day();
    d.Weekday = date.dayOfWeek() % 7; // Qt counts Monday = 1 ... Sunday = 7
    int suffix = 3;
    switch (d.Day) {
    case 1: case 21: case 31: suffix = 0; break;
    case 2: case 22: suffix = 1; break;
    case 3: case 23: suffix = 2; break;
    default: break;
    }
    d.DaySuffix = catalog.DaySuffix[suffix];
    if (d.Month >= 1 && d.Month <= 12)
        d.MonthName = catalog.Months[d.Month - 1];
    return d;
}

QDate SelectedDate(const QDate& today, int dayOffset)
{
    return today.addDays(dayOffset);
}

QString DateKeyText(int year, int month, int day)
{
    return QString::number(year) + QStringLiteral("%1%2").arg(month, 2, 10, QLatin1Char('0')).arg(day, 2, 10, QLatin1Char('0'));
}

QString DateKeyText(const QDate& date)
{
    return DateKeyText(date.year(), date.month(), date.day());
}

std::optional<std::size_t> FindDayRecord(const DayRecordList& records, const QString& keyText)
{
    bool ok = false;
    const uint32_t key = keyText.toUInt(&ok);
    return FindDayRecord(records, ok ? key : 0u);
}
