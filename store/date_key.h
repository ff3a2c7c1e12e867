#pragma once

#include "store/day_record.h"

#include <QDate>

#include <cstdint>
#include <optional>

// The last year a date key can hold in 32 bits.
constexpr int MaxDateKeyYear = 429496;

// Date key: year*10000 + month*100 + day, as stored in TBINFile::Date. 0, which names no day, for an
// invalid date and for years before 0 or after MaxDateKeyYear, whose keys would wrap onto other days.
uint32_t DateKey(const QDate& date);
uint32_t DateKey(int year, int month, int day);
// The calendar date of a key; invalid when the key does not name a real day.
QDate DateFromKey(uint32_t key);

// Position of the first record whose Date equals the key; the earlier of two equal keys wins.
std::optional<std::size_t> FindDayRecord(const DayRecordList& records, uint32_t key);
