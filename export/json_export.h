#pragma once

#include "store/day_record.h"

#include <QByteArray>

// The JSON export of day records, in the given order: an array with one object per line, every field of
// the record under fixed keys in a fixed order, so that the same records always give the same bytes:
//   {"date":"2010-07-22","date_key":20100722,"steps":12345,"target_steps":10000,"distance":8.76,
//    "distance_unit":"km","calories":456.7,"walking_time":95,"cardio_steps":0,"cardio_time":0}
// "date" is the ISO date of the key, or null for a key that names no calendar day of the years 1 to 9999
// (the key itself is always in "date_key"). Distance in km (metric) or "mile" units to two decimals,
// calories in kcal to one decimal, times in minutes. Decimals are built from integer digits: the bytes do
// not depend on the locale. "[", the objects separated by ",", "]", each on a line of its own, LF line
// ends; no records give "[]" and a line feed. UTF-8 (the text is ASCII).
QByteArray JsonExportBytes(const DayRecordList& records, bool metric);
