#pragma once

#include "catalog/soft_info.h"
#include "protocol/memory_image.h"
#include "platform/prompts.h"
#include "store/day_record.h"

#include <QDate>
#include <QString>

#include <cstdint>
#include <optional>

// True when any of the ten image bytes from start is not zero (bytes beyond the image count as zero).
bool BlockHasData(const MemoryImage& image, int start);

enum class MergeOutcome {
    Saved,          // records merged and the activity file written
    NotComplete,    // the download was not complete: nothing loaded, merged, saved or shown
    NoRecords,      // the activity file is missing or unreadable (the latter reported): nothing merged
    SaveFailed,     // merged in dayRecords, but the file could not be written (reported)
};

// Merges the pedometer's eight days into the user's activity file at activityPath:
// loads it into dayRecords; today's record takes the pedometer's target in any case, and its four
// figures when they differ and the user agrees ([Info] 20, or [Info] 21 + i + [Info] 22 for the day i
// days before today; asked only when the day's block holds data); days the file lacks are appended,
// today first, with the pedometer's target for today and target 0 for earlier days; then saves.
// "Synchronization OK!" ([Info] 12, caption [SoftName] 0 + " " + [SoftName] 1, information icon)
// follows only when reportSuccess and connected are set and the file was written.
//
// downloadBlock must be the image of a complete download: a partial image holds zeros or stale bytes
// that would read as days without activity and overwrite the targets. The caller passes whether the
// download completed; an incomplete one is never merged.
//
// storedInKilometres, when given, is the unit of the file's distances where it differs from the
// pedometer's: the pedometer's distances are converted to it (as ConvertDistance does) before they are
// compared or stored.
MergeOutcome MergeDownload(const MemoryImage& downloadBlock, bool downloadComplete, const QDate& today,
                           const QString& activityPath, DayRecordList& dayRecords, bool reportSuccess,
                           bool connected, const TSoftInfo& catalog, Prompts& prompts,
                           std::optional<bool> storedInKilometres = std::nullopt);

// A stored distance (hundredths of a mile or km) in the other unit, rounded half up; results beyond
// 32 bits are capped.
uint32_t ConvertDistance(uint32_t distance, bool toKilometres);

// Converts every Distance of records to kilometres (toKilometres) or miles, then saves records to
// activityPath as SaveDayRecords does. False when the save failed (reported).
bool ConvertStoredDistances(DayRecordList& records, bool toKilometres, const QString& activityPath,
                            const TSoftInfo& catalog, Prompts& prompts);

// The activity file image bytes would become after loading (missing targets filled) and converting
// every distance to kilometres (toKilometres) or miles.
QByteArray ConvertedActivityBytes(const QByteArray& bytes, bool toKilometres);
