#pragma once

#include "store/day_record.h"
#include "store/download_log.h"

#include <QDate>
#include <QDateTime>

#include <optional>
#include <vector>

// What is known of one calendar day of a user, from the history, the download log and today's date.
// The pedometer holds today and the seven days before (DaysInMemory); a day that no download took in
// that time is gone for good.
enum class DayStatus {
    None,        // before the user's first known day, or after today: nothing to show or miss
    Recorded,    // the activity file has a record of the day (0 steps is still a record)
    OnPedometer, // no record yet, but one of the pedometer's eight days: the next download takes it
    LogOnly,     // no record, but a logged download took it (the merge was not saved, or the history was
                 // replaced since): its values are in the download log
    Lost,        // no record and no download took it while the pedometer held it
};

// The user's position against the pedometer's eight days.
struct SyncOutlook {
    // Whether anything was ever downloaded (a log entry, or a record dated today or earlier). When
    // false every other field is empty or 0: a user before the first download has nothing at risk.
    bool Downloaded = false;
    // The date of the last download: the latest of the log's dates and of the records' dates up to
    // today (a record is evidence of a download on or after its day). A log date after today (the clock
    // was set back since) counts as today.
    QDate LastDownloadDate;
    // The time of that download, when the log has an entry on LastDownloadDate (the newest in file
    // order); empty when only the records tell it, or the entry is dated after today.
    std::optional<QDateTime> LastDownload;
    // The first day that is lost if nothing is downloaded: the day after the last download, or, once
    // that is gone, the oldest day the pedometer still holds (today - 7). The download's own day
    // counts as taken.
    QDate FirstDayAtRisk;
    // The last day on which a download still takes FirstDayAtRisk (FirstDayAtRisk + 7).
    QDate SaveBy;
    // Days from today to SaveBy, 0 to 8: 8 right after a download today, 7 after one yesterday, 0 when
    // today is the last day to save FirstDayAtRisk (and also whenever days are already being lost).
    // Never negative: days past saving are counted in LostDays instead.
    int DaysLeft = 0;
    // The lost days of the latest loss: those between the download before the last one and the last
    // one that no download took, and those lost since the last download. 0 once a download followed
    // a gap without a new loss. FirstLost and LastLost span them (invalid when LostDays is 0).
    int LostDays = 0;
    QDate FirstLost;
    QDate LastLost;
};

// The status of every day, built once from the history and the log (O(n log n)), then answered per day
// in O(log n). Records with keys that name no day are ignored; equal keys count once.
class DayStatusIndex {
public:
    DayStatusIndex() = default;
    DayStatusIndex(const DayRecordList& records, const std::vector<DownloadLogEntry>& log, const QDate& today);

    DayStatus StatusOf(const QDate& date) const;
    // The number of days from first to last (inclusive) with status Lost.
    int LostDaysIn(const QDate& first, const QDate& last) const;
    const SyncOutlook& Outlook() const { return outlook_; }

private:
    bool recorded(qint64 day) const;
    bool downloadedWithin(qint64 day) const;

    std::vector<qint64> recordDays_;                    // Julian days, sorted, unique
    std::vector<std::pair<qint64, qint64>> windows_;    // days a logged download took, merged, sorted
    qint64 today_ = 0;
    qint64 firstDay_ = 0;
    bool anyDay_ = false;
    SyncOutlook outlook_;
};

// The status of date; builds an index for one question (use DayStatusIndex for many).
DayStatus StatusOfDay(const DayRecordList& records, const std::vector<DownloadLogEntry>& log, const QDate& today,
                      const QDate& date);

SyncOutlook ComputeSyncOutlook(const DayRecordList& records, const std::vector<DownloadLogEntry>& log,
                               const QDate& today);

// The outlook of one user for a view that refreshes often: read and computed again only when the
// activity file or the download log changed on disk (size, inode, modification or status change time), the
// records in memory differ in number, or today is another day. records must be the activity file's as
// just loaded.
class SyncOutlookCache {
public:
    const SyncOutlook& Outlook(const QString& activityPath, const QString& logPath, const DayRecordList& records,
                               const QDate& today);

private:
    struct Stamp {
        qint64 Size = -1;
        qint64 Modified = 0;
        qint64 Changed = 0;
        qint64 Inode = 0;
        bool operator==(const Stamp& o) const
        {
            return Size == o.Size && Modified == o.Modified && Changed == o.Changed && Inode == o.Inode;
        }
    };
    static Stamp StampOf(const QString& path);

    bool valid_ = false;
    QString activityPath_, logPath_;
    Stamp activity_, log_;
    size_t recordCount_ = 0;
    QDate today_;
    SyncOutlook outlook_;
};
