#pragma once

#include "cli/sync_reminder.h"
#include "platform/desktop_notifier.h"

#include <QDate>
#include <QString>
#include <QStringList>

#include <functional>

// kinetrax --check-sync: reminds each user whose pedometer days are about to be lost, by a desktop
// notification, while the program is not running. It reads the data directory and never writes it,
// never opens the pedometer and takes no lock a normal start would wait for; its only file is the
// reminder state, which keeps a user from being reminded twice in one day.

// Environment variable naming the date --check-sync takes for today (yyyy-MM-dd). A test hook: the tests
// run the real program on a fixed day; unset or not a date, the local date applies.
inline const char* const TodayEnvironmentVariable = "KINETRAX_TODAY";

// Long enough for a user who looks at the desktop a little later, short enough that no forgotten process
// lingers: after this the notification stays with the desktop, but its click no longer starts Kinetrax.
constexpr int ReminderActionWaitMs = 10 * 60 * 1000;

struct CheckSyncContext {
    QString DataDir;  // ending in '/'
    QString StateDir; // the reminder state's directory; created when a reminder is recorded
    QDate Today;
};

// The name of the reminder state file in CheckSyncContext::StateDir.
inline const char* const ReminderStateFileName = "reminded";

// The directory of the reminder state: $XDG_STATE_HOME/kinetrax, else ~/.local/state/kinetrax.
QString ReminderStateDir();

// The users of the data directory, in user-list order, with what their reminder needs to know today.
QList<SyncReminderFacts> SyncFactsOfUsers(const QString& dataDir, const QDate& today);

// The users of the data directory whose reminder is due today (SyncReminderDue).
QList<SyncReminderFacts> DueReminders(const QString& dataDir, const QDate& today);

// Sends one notification for each of due not yet reminded today and records each sent one. Stops at the
// first NoService (nothing is recorded for it); a Failed one is skipped and tried again on the next run.
// Returns the ids of the notifications sent.
QList<uint> SendReminders(const CheckSyncContext& context, const QList<SyncReminderFacts>& due,
                          DesktopNotifier& notifier);

// Waits until every notification of ids is closed, one is clicked (then startProgram runs once) or
// waitMs passes, whichever comes first. Runs an event loop.
void WaitForReminderAnswers(DesktopNotifier& notifier, const QList<uint>& ids, int waitMs,
                            const std::function<void()>& startProgram);

// The whole command on the session bus, today's date (or the test hook's) and the program's data
// directory; needs a QCoreApplication. The bus is not touched unless a reminder is due. Always 0: a
// missing bus or notification service is quiet.
int RunCheckSync();
