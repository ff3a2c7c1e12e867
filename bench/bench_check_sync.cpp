// kinetrax --check-sync from process start (exec) to exit, on the real program: eight users with 20 years
// of records and a full download log each, on a session bus of its own with a notification service.
//   - "nothing due": every user downloaded yesterday, so every file is read and no notification sent;
//   - "all due, reminded": every user is two days from a loss but was reminded today already.
// Goal: under 150 ms.
#include "bench/median_time.h"
#include "cli/check_sync.h"
#include "profiles/user_list.h"
#include "store/activity_file.h"
#include "store/date_key.h"
#include "store/download_log.h"
#include "tests/support/builders.h"
#include "tests/support/fake_notification_server.h"
#include "tests/support/private_session_bus.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>

namespace {

constexpr int Runs = 9;
const QDate Today(2026, 12, 10);

// Users downloading up to lastDownload, with a full log of downloads every few days before it.
bool Prepare(const QString& dir, const QDate& lastDownload)
{
    ClientList clients;
    for (int u = 0; u < MaxClients; ++u) {
        const QString name = QStringLiteral("User%1").arg(u);
        clients.push_back(MetricClient(name));
        DayRecordList days;
        for (int back = 20 * 365; back >= 0; --back) {
            const uint32_t steps = 3000 + uint32_t(back * 7919) % 12000;
            days.push_back(Day(DateKey(lastDownload.addDays(-back)), steps, 10000));
        }
        QFile file(dir + QLatin1Char('/') + name + QStringLiteral(".bin"));
        if (!file.open(QIODevice::WriteOnly) || file.write(DayRecordsToBytes(days)) <= 0)
            return false;
        QByteArray log;
        for (int i = MaxDownloadLogLines - 1; i >= 0; --i) {
            const QDateTime when(lastDownload.addDays(-3 * i), QTime(9, 42), Qt::OffsetFromUTC, 3600);
            log += DownloadLogLine(DownloadLogEntry{when, MemoryImage{}}) + "\r\n";
        }
        QFile logFile(DownloadLogPath(dir + QLatin1Char('/'), name));
        if (!logFile.open(QIODevice::WriteOnly) || logFile.write(log) <= 0)
            return false;
    }
    return SaveUserList(dir + QStringLiteral("/Kinetrax.dat"), clients);
}

double TimeRuns(const QString& program, const QProcessEnvironment& env)
{
    return MedianMs(Runs, [&] {
        QProcess child;
        child.setProcessEnvironment(env);
        child.start(program, {QStringLiteral("--check-sync")});
        child.waitForFinished(30000);
    });
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QString program = QCoreApplication::applicationDirPath() + QStringLiteral("/kinetrax");
    PrivateSessionBus bus;
    FakeNotificationServer server(bus.address());
    QTemporaryDir synced, due, home;
    if (bus.address().isEmpty() || !server.isRunning() || !Prepare(synced.path(), Today.addDays(-1))
        || !Prepare(due.path(), Today.addDays(-6))) {
        std::fprintf(stderr, "bench_check_sync: cannot prepare: %s\n", qPrintable(bus.error()));
        return 1;
    }
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), bus.address());
    env.insert(QStringLiteral("HOME"), home.path());
    env.insert(QStringLiteral("XDG_STATE_HOME"), home.path());
    env.insert(QLatin1String(TodayEnvironmentVariable), Today.toString(Qt::ISODate));

    env.insert(QStringLiteral("KINETRAX_DATA_DIR"), synced.path());
    const double nothingDue = TimeRuns(program, env);
    if (!server.calls().isEmpty()) {
        std::fprintf(stderr, "bench_check_sync: a user who downloaded yesterday was reminded\n");
        return 1;
    }

    // The first run reminds everyone; the notifications are closed at once, as a busy desktop would.
    env.insert(QStringLiteral("KINETRAX_DATA_DIR"), due.path());
    QProcess first;
    first.setProcessEnvironment(env);
    first.start(program, {QStringLiteral("--check-sync")});
    while (server.calls().size() < MaxClients && first.state() != QProcess::NotRunning)
        first.waitForFinished(20);
    for (const RecordedNotification& n : server.calls())
        server.close(n.Id);
    first.waitForFinished(30000);
    if (server.calls().size() != MaxClients) {
        std::fprintf(stderr, "bench_check_sync: %d reminders instead of %d\n", int(server.calls().size()), MaxClients);
        return 1;
    }
    const double reminded = TimeRuns(program, env);

    std::printf("kinetrax --check-sync, 8 users x 20 years, full logs (goal < 150 ms):\n");
    std::printf("  nothing due:         %7.1f ms\n", nothingDue);
    std::printf("  all due, reminded:   %7.1f ms\n", reminded);
    return nothingDue < 150 && reminded < 150 ? 0 : 2;
}
