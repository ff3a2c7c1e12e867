#pragma once

#include "catalog/soft_info.h"
#include "store/day_record.h"

#include <QByteArray>
#include <QString>

// The CSV export of a user's day records, in the given order: a header line built from [CSVFileHead] 0,
// the distance unit ([Units] 7 "km" when deviceMetric, else [Units] 8 "mile") and [CSVFileHead] 1, then
// one line per record "Date,Steps,TargetSteps,Distance,Calories,WalkingTime," with the distance in units
// to two decimals and the calories in kcal to one decimal, ungrouped. Every line ends in CR LF; the text
// is in the system's 8-bit encoding without a byte-order mark.
QByteArray CsvExportBytes(const DayRecordList& records, const TSoftInfo& catalog, bool deviceMetric);

// Sorts records in place by ascending date key (they stay sorted, whether or not the write succeeds), then
// replaces the file at path atomically with CsvExportBytes. False, with the path and the system's reason
// in errorText, when the file cannot be written; an old file of that name is then left as it was.
bool ExportCsv(const QString& path, DayRecordList& records, const TSoftInfo& catalog, bool deviceMetric,
               QString* errorText = nullptr);
