#pragma once

#include "catalog/soft_info.h"
#include "platform/prompts.h"
#include "store/day_record.h"

#include <QString>

#include <cstdint>

constexpr int DayRecordSize = 32;

// Larger activity files are refused instead of read: two million days is far beyond any real history,
// and the limit keeps a stray huge file in the data directory from exhausting memory.
constexpr qint64 MaxActivityFileBytes = qint64(DayRecordSize) * 2 * 1024 * 1024;

// The activity file of a user: dataDir (ending in '/') + name + ".bin".
QString ActivityFilePath(const QString& dataDir, const QString& userName);

// Replaces records by the activity file at path: 32-byte little-endian records back to back, a trailing
// partial record ignored, an empty file valid. Missing file: false, no message. A file that cannot be
// opened or read, or is larger than MaxActivityFileBytes: a plain box titled with the application title
// saying [Info] 11, CR LF and the path; false. On false records is left as it was. Missing targets are
// filled (FillMissingTargets) in memory only.
bool LoadDayRecords(const QString& path, DayRecordList& records, const TSoftInfo& catalog, Prompts& prompts);

// Writes records to path in list order, replacing the file all or nothing: a failed write leaves the old
// file as it was and shows the same [Info] 11 box as a failed load; false then.
bool SaveDayRecords(const QString& path, const DayRecordList& records, const TSoftInfo& catalog, Prompts& prompts);

// Gives a record with steps but no target the target carried from the records before it: the last
// target seen, where a record with neither steps nor target resets the carried value to 0.
void FillMissingTargets(DayRecordList& records);

// The file image of records and back; FromBytes ignores a trailing partial record.
QByteArray DayRecordsToBytes(const DayRecordList& records);
DayRecordList DayRecordsFromBytes(const QByteArray& bytes);
