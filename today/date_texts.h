#pragma once

#include "catalog/soft_info.h"
#include "store/date_key.h"
#include "store/day_record.h"

#include <QDate>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <optional>

// A date taken apart for display. Texts come from the catalog: empty when the catalog lacks them.
struct DisplayDate {
    int Year = 0;
    int Month = 0;   // 1-12
    int Day = 0;     // 1-31
    int Weekday = 0; // 0 = Sunday ... 6 = Saturday
    QString DaySuffix; // [DaySuffix] 0 for 1, 21, 31; 1 for 2, 22; 2 for 3, 23; 3 otherwise
    QString MonthName; // [Months] month - 1

    QString monthYearText() const; // "Jul 2010"
};

DisplayDate SplitDisplayDate(const QDate& date, const TSoftInfo& catalog);

// The day TODAY shows: today plus the carousel's day offset (unbounded, may be negative).
QDate SelectedDate(const QDate& today, int dayOffset);

// The key as text, month and day with two digits: 4 July 2010 gives "20100704".
QString DateKeyText(int year, int month, int day);
QString DateKeyText(const QDate& date);

// Same, with the key as text; text that is not a number looks up key 0.
std::optional<std::size_t> FindDayRecord(const DayRecordList& records, const QString& keyText);
