#include "store/day_status.h"

#include "store/date_key.h"

#include <QFile>

#include <sys/stat.h>

#include <algorithm>

namespace {

// The days a download holds besides its own: the seven before it.
constexpr qint64 HeldBefore = DaysInMemory - 1;

} // namespace

DayStatusIndex::DayStatusIndex(const DayRecordList& records, const std::vector<DownloadLogEntry>& log,
                               const QDate& today)
{
    if (!today.isValid())
        return;
    today_ = today.toJulianDay();

    recordDays_.reserve(records.size());
    for (const TBINFile& r : records) {
        const QDate d = DateFromKey(r.Date);
        if (d.isValid())
            recordDays_.push_back(d.toJulianDay());
    }
    if (!std::is_sorted(recordDays_.begin(), recordDays_.end()))
        std::sort(recordDays_.begin(), recordDays_.end());
    recordDays_.erase(std::unique(recordDays_.begin(), recordDays_.end()), recordDays_.end());

    // The last download: the latest record up to today, or the latest log entry, one dated after today
    // counting as today.
    qint64 last = 0;
    bool haveLast = false;
    const auto seeDownload = [&](qint64 day) {
        if (!haveLast || day > last)
            last = day;
        haveLast = true;
    };
    const auto past = std::upper_bound(recordDays_.begin(), recordDays_.end(), today_);
    if (past != recordDays_.begin())
        seeDownload(*(past - 1));

    std::vector<qint64> logDays;
    logDays.reserve(log.size());
    for (const DownloadLogEntry& e : log) {
        const QDate d = e.When.date();
        if (!d.isValid())
            continue;
        logDays.push_back(d.toJulianDay());
        seeDownload(std::min(d.toJulianDay(), today_));
    }
    // The days each logged download took, by the calendar of its own date.
    std::sort(logDays.begin(), logDays.end());
    for (qint64 d : logDays) {
        if (!windows_.empty() && d - HeldBefore <= windows_.back().second + 1)
            windows_.back().second = std::max(windows_.back().second, d);
        else
            windows_.emplace_back(d - HeldBefore, d);
    }

    if (!recordDays_.empty()) {
        firstDay_ = recordDays_.front();
        anyDay_ = true;
    }
    if (!windows_.empty()) {
        firstDay_ = anyDay_ ? std::min(firstDay_, windows_.front().first) : windows_.front().first;
        anyDay_ = true;
    }

    if (!haveLast)
        return;
    SyncOutlook& o = outlook_;
    o.Downloaded = true;
    o.LastDownloadDate = QDate::fromJulianDay(last);
    for (auto e = log.rbegin(); e != log.rend(); ++e) {
        if (e->When.date() == o.LastDownloadDate) {
            o.LastDownload = e->When;
            break;
        }
    }
    const qint64 atRisk = std::max(last + 1, today_ - HeldBefore);
    o.FirstDayAtRisk = QDate::fromJulianDay(atRisk);
    o.SaveBy = QDate::fromJulianDay(atRisk + HeldBefore);
    o.DaysLeft = int(atRisk + HeldBefore - today_);

    // The days the last download came too late for, back to the last day taken before them, and the days
    // lost since the last download.
    qint64 first = 0, end = 0;
    bool any = false;
    const qint64 beforeWindow = last - DaysInMemory;
    qint64 taken = firstDay_ - 1;
    const auto recordBefore = std::upper_bound(recordDays_.begin(), recordDays_.end(), beforeWindow);
    if (recordBefore != recordDays_.begin())
        taken = std::max(taken, *(recordBefore - 1));
    for (const auto& w : windows_) {
        if (w.first <= beforeWindow)
            taken = std::max(taken, std::min(w.second, beforeWindow));
    }
    if (taken < beforeWindow) {
        first = taken + 1;
        end = beforeWindow;
        any = true;
    }
    if (today_ - DaysInMemory > last) {
        if (!any)
            first = last + 1;
        end = today_ - DaysInMemory;
        any = true;
    }
    if (any) {
        o.LostDays = LostDaysIn(QDate::fromJulianDay(first), QDate::fromJulianDay(end));
        if (o.LostDays > 0) {
            // A logged download may have taken the ends of the span.
            while (StatusOf(QDate::fromJulianDay(first)) != DayStatus::Lost)
                ++first;
            while (StatusOf(QDate::fromJulianDay(end)) != DayStatus::Lost)
                --end;
            o.FirstLost = QDate::fromJulianDay(first);
            o.LastLost = QDate::fromJulianDay(end);
        }
    }
}

bool DayStatusIndex::recorded(qint64 day) const
{
    return std::binary_search(recordDays_.begin(), recordDays_.end(), day);
}

bool DayStatusIndex::downloadedWithin(qint64 day) const
{
    auto it = std::upper_bound(windows_.begin(), windows_.end(), day,
                               [](qint64 d, const std::pair<qint64, qint64>& w) { return d < w.first; });
    return it != windows_.begin() && day <= (it - 1)->second;
}

DayStatus DayStatusIndex::StatusOf(const QDate& date) const
{
    if (!date.isValid() || !anyDay_)
        return DayStatus::None;
    const qint64 day = date.toJulianDay();
    if (recorded(day))
        return DayStatus::Recorded;
    if (day > today_ || day < firstDay_)
        return DayStatus::None;
    if (day >= today_ - HeldBefore)
        return DayStatus::OnPedometer;
    return downloadedWithin(day) ? DayStatus::LogOnly : DayStatus::Lost;
}

int DayStatusIndex::LostDaysIn(const QDate& first, const QDate& last) const
{
    if (!first.isValid() || !last.isValid() || !anyDay_)
        return 0;
    // Lost days lie between the first known day and today - 8, outside records and logged downloads.
    const qint64 from = std::max(first.toJulianDay(), firstDay_);
    const qint64 to = std::min(last.toJulianDay(), today_ - DaysInMemory);
    if (from > to)
        return 0;
    qint64 count = to - from + 1;
    count -= std::upper_bound(recordDays_.begin(), recordDays_.end(), to)
        - std::lower_bound(recordDays_.begin(), recordDays_.end(), from);
    for (const auto& w : windows_) {
        const qint64 a = std::max(w.first, from), b = std::min(w.second, to);
        if (a > b)
            continue;
        // Recorded days inside the window were already taken off.
        count -= (b - a + 1)
            - (std::upper_bound(recordDays_.begin(), recordDays_.end(), b)
               - std::lower_bound(recordDays_.begin(), recordDays_.end(), a));
    }
    return int(std::max<qint64>(0, count));
}

DayStatus StatusOfDay(const DayRecordList& records, const std::vector<DownloadLogEntry>& log, const QDate& today,
                      const QDate& date)
{
    return DayStatusIndex(records, log, today).StatusOf(date);
}

SyncOutlook ComputeSyncOutlook(const DayRecordList& records, const std::vector<DownloadLogEntry>& log,
                               const QDate& today)
{
    return DayStatusIndex(records, log, today).Outlook();
}

SyncOutlookCache::Stamp SyncOutlookCache::StampOf(const QString& path)
{
    // stat itself: QFileInfo's times go through the local time zone, which costs more than the refresh.
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return {};
    // A replacement by rename changes the inode and the status change time even within one tick.
    return {qint64(st.st_size), qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec,
            qint64(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec, qint64(st.st_ino)};
}

const SyncOutlook& SyncOutlookCache::Outlook(const QString& activityPath, const QString& logPath,
                                             const DayRecordList& records, const QDate& today)
{
    const Stamp activity = StampOf(activityPath);
    const Stamp log = StampOf(logPath);
    if (valid_ && activityPath == activityPath_ && logPath == logPath_ && activity == activity_ && log == log_
        && records.size() == recordCount_ && today == today_)
        return outlook_;
    outlook_ = ComputeSyncOutlook(records, LoadDownloadLog(logPath), today);
    valid_ = true;
    activityPath_ = activityPath;
    logPath_ = logPath;
    activity_ = activity;
    log_ = log;
    recordCount_ = records.size();
    today_ = today;
    return outlook_;
}
