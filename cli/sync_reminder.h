#pragma once

#include "platform/desktop_notifier.h"
#include "store/day_status.h"

#include <QDate>
#include <QString>

// Where a user stands with the pedometer's eight days, as the reminder needs it.
struct SyncReminderFacts {
    QString UserName;
    QDate Today;
    QDate LastDownload;  // the day of the last download; invalid when there was none
    QDate FirstAtRisk;   // the first day that is lost unless the pedometer is connected by ConnectBy
    QDate ConnectBy;     // the last day a download still saves FirstAtRisk; invalid: nothing at risk
    QDate LostFrom;      // the days lost since the last download, oldest and newest; invalid when none
    QDate LostTo;
};

// The facts of a user's outlook on today. Lost days count only when they fall after the last download:
// an older loss, already shown by the program, is no reason to remind anyone now.
SyncReminderFacts SyncReminderFactsOf(const QString& userName, const SyncOutlook& outlook, const QDate& today);

// Two days ahead: early enough to find the pedometer, late enough not to nag every day of the week.
constexpr int ReminderLeadDays = 2;

// True when the user should be reminded today: the deadline is ReminderLeadDays or fewer away, or
// days are being lost already.
bool SyncReminderDue(const SyncReminderFacts& facts);

// The notification for a due reminder, in built-in English, e.g. summary "Alex: connect the pedometer
// by Saturday, or Friday 5 Dec is lost". Dates carry their year only when it is not today's.
DesktopNotification SyncReminderNotification(const SyncReminderFacts& facts);
