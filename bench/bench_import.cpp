// kinetrax import from process start (exec) to exit, on the real program: 20 years of days (7,301) as
// SEND writes them,
//   - "into an empty user": every day added and the activity file written;
//   - "all identical": the same file again, every day compared and nothing written;
//   - "miles into metric": every distance converted, every day added.
// Goal: under 150 ms.
#include "bench/median_time.h"
#include "catalog/catalog_file.h"
#include "export/csv_export.h"
#include "profiles/user_list.h"
#include "store/activity_file.h"
#include "store/date_key.h"
#include "tests/support/builders.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>

namespace {

constexpr int Runs = 9;

DayRecordList TwentyYears()
{
    DayRecordList days;
    const QDate last(2026, 12, 10);
    for (int back = 20 * 365; back >= 0; --back) {
        const uint32_t steps = 3000 + uint32_t(back * 7919) % 12000;
        days.push_back(Day(DateKey(last.addDays(-back)), steps, 10000, steps * 7 / 100, steps * 4 / 10, steps / 110));
    }
    return days;
}

bool WriteBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

// The median time of importing csv into Anna; prepare runs before each import, untimed.
double TimeRuns(const QString& program, const QProcessEnvironment& env, const QString& csv,
                const std::function<void()>& prepare, bool& ok)
{
    return MedianMs(
        Runs,
        [&] {
            QProcess child;
            child.setProcessEnvironment(env);
            child.start(program, {QStringLiteral("import"), QStringLiteral("--user"), QStringLiteral("Anna"), csv});
            if (!child.waitForFinished(30000) || child.exitCode() != 0) {
                std::fprintf(stderr, "bench_import: %s\n", child.readAllStandardError().constData());
                ok = false;
            }
        },
        prepare);
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QString program = QCoreApplication::applicationDirPath() + QStringLiteral("/kinetrax");
    QTemporaryDir data, files, runtime;
    const DayRecordList days = TwentyYears();
    const QString km = files.filePath(QStringLiteral("Anna-km.csv"));
    const QString miles = files.filePath(QStringLiteral("Anna-mile.csv"));
    const QString bin = data.filePath(QStringLiteral("Anna.bin"));
    if (!SaveUserList(data.filePath(QLatin1String(UserListFileName)), {MetricClient(QStringLiteral("Anna"))})
        || !WriteBytes(km, CsvExportBytes(days, DefaultCatalog(), true))
        || !WriteBytes(miles, CsvExportBytes(days, DefaultCatalog(), false))) {
        std::fprintf(stderr, "bench_import: cannot prepare\n");
        return 1;
    }
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("KINETRAX_DATA_DIR"), data.path());
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());

    bool ok = true;
    const auto emptyUser = [&] { QFile::remove(bin); };
    const double empty = TimeRuns(program, env, km, emptyUser, ok);
    if (!ok || QFile(bin).size() != qint64(days.size()) * DayRecordSize) {
        std::fprintf(stderr, "bench_import: the days were not imported\n");
        return 1;
    }
    const double identical = TimeRuns(program, env, km, {}, ok);
    const double converted = TimeRuns(program, env, miles, emptyUser, ok);
    if (!ok)
        return 1;

    std::printf("kinetrax import, 20 years (%d days, %lld bytes of CSV; goal < 150 ms):\n", int(days.size()),
                static_cast<long long>(QFile(km).size()));
    std::printf("  into an empty user:  %7.1f ms\n", empty);
    std::printf("  all identical:       %7.1f ms\n", identical);
    std::printf("  miles into metric:   %7.1f ms\n", converted);
    return empty < 150 && identical < 150 && converted < 150 ? 0 : 2;
}
