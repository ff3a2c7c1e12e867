#pragma once

#include "catalog/soft_info.h"
#include "store/day_status.h"

#include <QDate>
#include <QString>

// The texts of what is known of each day: the TODAY line about the last download and the tooltips of
// RECORD. Each comes from the catalog's optional [SyncStatus] section when it holds that line, and from
// built-in English otherwise; %1, %2 and %3 stand for the figures and dates shown.
enum SyncStatusTextId {
    SyncLastToday,          // "Last download: today %1" (the time)
    SyncLastTodayUntimed,   // "Last download: today"
    SyncLastYesterday,      // "Last download: yesterday %1"
    SyncLastYesterdayUntimed,
    SyncLastDaysAgo,        // "Last download %1 days ago – connect the pedometer by %2 or %3 is lost"
    SyncDaysLost,           // "%1 days were lost (%2): the pedometer keeps eight days"
    SyncDayLost,            // "1 day was lost (%1): the pedometer keeps eight days"
    SyncTipLost,            // "No data: this day was never downloaded"
    SyncTipOnPedometer,     // "Not downloaded yet: the pedometer still holds this day"
    SyncTipLogOnly,         // "Not in the history: this day's download is kept in the download log"
    SyncTipDaysWithoutData, // "%1 days without data"
    SyncTipDayWithoutData,  // "1 day without data"
    SyncStatusTextCount
};

QString SyncStatusText(const TSoftInfo& catalog, SyncStatusTextId id);

enum class SyncLineTone {
    Plain,
    Warning, // two days or fewer left before a day is lost (amber)
    Alarm,   // days were lost (red)
};

struct SyncLine {
    QString Text;   // empty before the user's first download: no line then
    SyncLineTone Tone = SyncLineTone::Plain;
};

// The TODAY line for outlook on today: the loss when the latest loss has days, otherwise the last
// download (today or yesterday with its time when the log knows it, else how many days ago, with the
// day to connect the pedometer by and the day lost then). Dates in English, e.g. "Fri 12 Dec".
SyncLine SyncStatusLine(const SyncOutlook& outlook, const QDate& today, const TSoftInfo& catalog);

// What a RECORD tooltip adds for a day of status status; empty for a recorded day or none.
QString DayStatusTip(DayStatus status, const TSoftInfo& catalog);
// What a weekly or monthly bar's tooltip adds for lostDays lost days inside it; empty for 0.
QString LostDaysTip(int lostDays, const TSoftInfo& catalog);

// "24 Nov", "24–26 Nov", "30 Nov–2 Dec", "30 Dec 2024–2 Jan 2025".
QString DaySpanText(const QDate& first, const QDate& last);
