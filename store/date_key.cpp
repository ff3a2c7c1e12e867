#include "store/date_key.h"

uint32_t DateKey(int year, int month, int day)
{
    if (year < 0 || year > MaxDateKeyYear)
        return 0;
    return static_cast<uint32_t>(year) * 10000u + static_cast<uint32_t>(month) * 100u
        + static_cast<uint32_t>(day);
}

uint32_t DateKey(const QDate& date)
{
    return date.isValid() ? DateKey(date.year(), date.month(), date.day()) : 0u;
}

QDate DateFromKey(uint32_t key)
{
    return QDate(static_cast<int>(key / 10000u), static_cast<int>(key / 100u % 100u),
                 static_cast<int>(key % 100u));
}

std::optional<std::size_t> FindDayRecord(const DayRecordList& records, uint32_t key)
{
    for (std::size_t i = 0; i < records.size(); ++i) {
        if (records[i].Date == key)
            return i;
    }
    return std::nullopt;
}
