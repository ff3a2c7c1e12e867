// The commands of kinetrax on the real program, from process start (exec) to exit, on data directories
// of 20 years of daily records per user:
//   - kinetrax export --format csv of one user, to standard output (goal: under 120 ms);
//   - kinetrax export --format json of the same user, for comparison.
#include "bench/median_time.h"
#include "profiles/user_list.h"
#include "store/activity_file.h"
#include "store/date_key.h"
#include "tests/support/builders.h"

#include <QCoreApplication>
#include <QDate>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>

namespace {

constexpr int Runs = 9;
constexpr int Years = 20;

// Fills dataDir (ending in '/') with a user list of users metric profiles "User0", "User1" … and an
// activity file for each: one record a day for Years years up to lastDay, every field varying, in date
// order. False when a file cannot be written.
bool WriteTwentyYearDataDir(const QString& dataDir, int users, const QDate& lastDay)
{
    ClientList clients;
    for (int u = 0; u < users; ++u) {
        const QString name = QStringLiteral("User%1").arg(u);
        clients.push_back(MetricClient(name));
        DayRecordList days;
        const QDate first = lastDay.addYears(-Years).addDays(1);
        for (QDate day = first; day <= lastDay; day = day.addDays(1)) {
            const uint32_t steps = 3000 + uint32_t(first.daysTo(day) * 7919 + u * 104729) % 12000;
            days.push_back(Day(DateKey(day), steps, 10000, steps * 7 / 10, steps * 4 / 10, steps / 110,
                               steps / 4, steps / 440));
        }
        QFile file(ActivityFilePath(dataDir, name));
        if (!file.open(QIODevice::WriteOnly) || file.write(DayRecordsToBytes(days)) <= 0)
            return false;
    }
    return SaveUserList(dataDir + QLatin1String(UserListFileName), clients);
}

double TimeCommand(const QString& program, const QStringList& arguments, const QString& dataDir)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("KINETRAX_DATA_DIR"), dataDir);
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    bool failed = false;
    const double ms = MedianMs(Runs, [&] {
        QProcess child;
        child.setProcessEnvironment(env);
        child.setStandardOutputFile(QProcess::nullDevice());
        child.start(program, arguments);
        if (!child.waitForFinished(30000) || child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0)
            failed = true;
    });
    return failed ? -1 : ms;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QString program = QCoreApplication::applicationDirPath() + QStringLiteral("/kinetrax");
    QTemporaryDir one;
    const QString oneDir = one.path() + QLatin1Char('/');
    if (!WriteTwentyYearDataDir(oneDir, 1, QDate(2026, 12, 10))) {
        std::fprintf(stderr, "bench_cli: cannot prepare the data directory\n");
        return 1;
    }

    const QString exportCommand = QStringLiteral("export");
    const QString format = QStringLiteral("--format");
    const double exportCsv = TimeCommand(program, {exportCommand, format, QStringLiteral("csv")}, oneDir);
    const double exportJson = TimeCommand(program, {exportCommand, format, QStringLiteral("json")}, oneDir);
    if (exportCsv < 0 || exportJson < 0) {
        std::fprintf(stderr, "bench_cli: kinetrax export failed\n");
        return 1;
    }
    std::printf("kinetrax commands, 20 years of daily records, process start to exit:\n");
    std::printf("  export --format csv (goal < 120 ms): %7.1f ms\n", exportCsv);
    std::printf("  export --format json:                %7.1f ms\n", exportJson);
    return exportCsv < 120 ? 0 : 2;
}
