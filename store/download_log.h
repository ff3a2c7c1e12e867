#pragma once

#include "protocol/memory_image.h"

#include <QDateTime>
#include <QString>

#include <vector>

// The download log of a user: one line per download whose days went to the user's activity file (or
// were meant to: a merge that could not be saved and a question answered No are logged too), so that
// the pedometer's values survive where the activity file does not keep them, and so that a day never
// downloaded can be told from a day of 0 steps. Plain text, CR LF after every line, oldest first:
//   <local date-time, ISO 8601 with its UTC offset, e.g. 2024-12-04T09:42:17+01:00> <200 hex digits>
// The hex digits are the memory image of the download as the merge took it (MemoryImage: byte 0 as
// read, bytes 1-99 decoded from BCD).
//
// The log is optional: a missing, unreadable or damaged log is never an error. Damaged lines are
// skipped, and a caller that finds no log treats the history as downloaded wherever it has records.

// The newest lines kept; an append drops the oldest beyond it (about four downloads a day for 100 days).
constexpr int MaxDownloadLogLines = 400;

// A log longer than this is read from its last MaxDownloadLogBytes only: a stray huge file must not
// exhaust memory, and the lines kept are the newest.
constexpr qint64 MaxDownloadLogBytes = 256 * 1024;

struct DownloadLogEntry {
    // When the download was merged, with the UTC offset of that moment. Its date() is the pedometer's
    // "today" of the download (the local date the merge used), whatever the time zone is now.
    QDateTime When;
    MemoryImage Image{};

    bool operator==(const DownloadLogEntry& o) const
    {
        return When == o.When && When.offsetFromUtc() == o.When.offsetFromUtc() && Image == o.Image;
    }
};

// The log file of a user: dataDir (ending in '/') + name + ".downloads". No other data file ends so.
QString DownloadLogPath(const QString& dataDir, const QString& userName);

// The valid lines of the log at path, in file order (the order of the downloads, even when the clock was
// set back between two of them). Missing, unreadable or empty: no entries. Lines that do not parse (wrong
// field count, a date-time without an offset or out of range, hex of the wrong length or with other
// characters, lines longer than a valid one) are skipped. Never writes.
std::vector<DownloadLogEntry> LoadDownloadLog(const QString& path);
// The same for the file's bytes.
std::vector<DownloadLogEntry> DownloadLogFromBytes(const QByteArray& bytes);

// One line, without its CR LF. Empty when entry.When is not valid.
QByteArray DownloadLogLine(const DownloadLogEntry& entry);

// Appends entry to the log at path, keeping the newest MaxDownloadLogLines valid lines, and replaces the
// file all or nothing (damaged lines are not carried over). An entry whose When is invalid is refused.
// On false errorText (when given) says why, and the old file is as it was.
bool AppendDownloadLog(const QString& path, const DownloadLogEntry& entry, QString* errorText = nullptr);
