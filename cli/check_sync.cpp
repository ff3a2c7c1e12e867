#include "cli/check_sync.h"

#include "platform/atomic_file.h"
#include "platform/data_dir.h"
#include "platform/dbus_desktop_notifier.h"
#include "profiles/profile_name.h"
#include "profiles/user_list.h"
#include "store/activity_file.h"
#include "store/day_status.h"
#include "store/download_log.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QLockFile>
#include <QProcess>
#include <QSet>
#include <QTimer>

namespace {

// A day's state is a line per user reminded; anything longer is not ours and is read as empty.
constexpr qint64 MaxReminderStateBytes = 64 * 1024;

// A user is named by the activity file, so that two data directories with the same name stay apart.
QString UserKey(const QString& dataDir, const QString& name)
{
    return ActivityFilePath(dataDir, name);
}

// The users reminded on today: lines "yyyy-MM-dd<TAB><activity file path>"; other days' lines are
// dropped, which keeps the file to one day's lines.
QSet<QString> LoadReminded(const QString& path, const QDate& today)
{
    QSet<QString> users;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > MaxReminderStateBytes)
        return users;
    const QString prefix = today.toString(Qt::ISODate) + QLatin1Char('\t');
    const QList<QByteArray> lines = file.readAll().split('\n');
    for (const QByteArray& line : lines) {
        const QString text = QString::fromUtf8(line);
        if (text.startsWith(prefix) && text.size() > prefix.size())
            users.insert(text.mid(prefix.size()));
    }
    return users;
}

bool SaveReminded(const QString& path, const QDate& today, const QSet<QString>& users)
{
    QStringList keys(users.begin(), users.end());
    keys.sort();
    QByteArray bytes;
    for (const QString& key : keys)
        bytes += (today.toString(Qt::ISODate) + QLatin1Char('\t') + key + QLatin1Char('\n')).toUtf8();
    return WriteFileAtomically(path, bytes);
}

// The records of a user, read without a message: a file that cannot be read reads as none.
DayRecordList ReadRecordsQuietly(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > MaxActivityFileBytes)
        return {};
    return DayRecordsFromBytes(file.readAll());
}

} // namespace

QString ReminderStateDir()
{
    QString base = qEnvironmentVariable("XDG_STATE_HOME");
    // The base directory specification ignores a relative path.
    if (base.isEmpty() || QDir::isRelativePath(base))
        base = QDir::homePath() + QStringLiteral("/.local/state");
    return base + QStringLiteral("/kinetrax");
}

QList<SyncReminderFacts> SyncFactsOfUsers(const QString& dataDir, const QDate& today)
{
    QList<SyncReminderFacts> facts;
    const UserListFile list = LoadUserList(dataDir + QLatin1String(UserListFileName));
    if (!list.Readable)
        return facts;
    for (const TClient& client : list.Clients) {
        if (!ListedProfileNameProblem(client.Name).isEmpty())
            continue;
        const DayRecordList records = ReadRecordsQuietly(ActivityFilePath(dataDir, client.Name));
        const std::vector<DownloadLogEntry> log = LoadDownloadLog(DownloadLogPath(dataDir, client.Name));
        facts.append(SyncReminderFactsOf(client.Name, ComputeSyncOutlook(records, log, today), today));
    }
    return facts;
}

QList<SyncReminderFacts> DueReminders(const QString& dataDir, const QDate& today)
{
    QList<SyncReminderFacts> due;
    for (const SyncReminderFacts& facts : SyncFactsOfUsers(dataDir, today)) {
        if (SyncReminderDue(facts))
            due.append(facts);
    }
    return due;
}

QList<uint> SendReminders(const CheckSyncContext& context, const QList<SyncReminderFacts>& due,
                          DesktopNotifier& notifier)
{
    QList<uint> sent;
    if (due.isEmpty())
        return sent;

    if (!QDir().mkpath(context.StateDir))
        return sent;
    // Autostart and the timer both run at login: the second run finds the first at work and leaves it
    // the reminders, so that none goes out twice. Not the program's own lock: a start is never stopped.
    QLockFile lock(context.StateDir + QStringLiteral("/reminded.lock"));
    if (!lock.tryLock(0))
        return sent;
    const QString statePath = context.StateDir + QLatin1Char('/') + QLatin1String(ReminderStateFileName);
    QSet<QString> reminded = LoadReminded(statePath, context.Today);
    const qsizetype before = reminded.size();
    for (const SyncReminderFacts& facts : due) {
        const QString key = UserKey(context.DataDir, facts.UserName);
        if (reminded.contains(key))
            continue;
        const NotifyOutcome outcome = notifier.notify(SyncReminderNotification(facts));
        if (outcome.Result == NotifyResult::NoService)
            break;
        if (outcome.Result != NotifyResult::Sent)
            continue;
        reminded.insert(key);
        sent.append(outcome.Id);
    }
    // A failed write means a second reminder today at worst; nothing to tell anyone.
    if (reminded.size() != before)
        SaveReminded(statePath, context.Today, reminded);
    return sent;
}

void WaitForReminderAnswers(DesktopNotifier& notifier, const QList<uint>& ids, int waitMs,
                            const std::function<void()>& startProgram)
{
    if (ids.isEmpty())
        return;
    QSet<uint> open(ids.begin(), ids.end());
    QEventLoop loop;
    const QMetaObject::Connection clicked
        = QObject::connect(&notifier, &DesktopNotifier::defaultActionInvoked, &loop, [&](uint id) {
              if (!open.contains(id))
                  return;
              startProgram();
              loop.quit();
          });
    const QMetaObject::Connection closed
        = QObject::connect(&notifier, &DesktopNotifier::notificationClosed, &loop, [&](uint id) {
              open.remove(id);
              if (open.isEmpty())
                  loop.quit();
          });
    QTimer::singleShot(waitMs, &loop, &QEventLoop::quit);
    loop.exec();
    QObject::disconnect(clicked);
    QObject::disconnect(closed);
}

int RunCheckSync()
{
    CheckSyncContext context;
    context.DataDir = DataDirFromEnvironment(false);
    context.StateDir = ReminderStateDir();
    context.Today = QDate::fromString(qEnvironmentVariable(TodayEnvironmentVariable), Qt::ISODate);
    if (!context.Today.isValid())
        context.Today = QDate::currentDate();

    const QList<SyncReminderFacts> due = DueReminders(context.DataDir, context.Today);
    if (due.isEmpty())
        return 0;
    DBusDesktopNotifier notifier(QDBusConnection::sessionBus());
    const QList<uint> sent = SendReminders(context, due, notifier);
    WaitForReminderAnswers(notifier, sent, ReminderActionWaitMs, [] {
        // Without arguments: the program as from its menu entry; a running one ends this start silently.
        QProcess::startDetached(QCoreApplication::applicationFilePath(), {});
    });
    return 0;
}
