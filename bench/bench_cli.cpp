// The commands of kinetrax on the real program, from process start (exec) to exit, on data directories
// of 20 years of daily records per user (median of 9 runs each):
//   - export --format csv of one user to standard output (goal: under 120 ms), and json to compare;
//   - import of that user's CSV as SEND writes it: into an empty user (every day added and written;
//     goal: under 150 ms), all identical (nothing written), miles into a metric user (every distance
//     converted);
//   - backup of eight such users with download logs of 400 lines, the catalog and the list (goal: under
//     400 ms).
#include "bench/median_time.h"
#include "catalog/catalog_file.h"
#include "export/csv_export.h"
#include "profiles/user_list.h"
#include "store/activity_file.h"
#include "store/date_key.h"
#include "store/download_log.h"
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
const QDate LastDay(2026, 12, 10);

bool WriteBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

// One record a day for Years years up to LastDay, every field varying with the day and the user.
DayRecordList TwentyYears(int user)
{
    DayRecordList days;
    const QDate first = LastDay.addYears(-Years).addDays(1);
    for (QDate day = first; day <= LastDay; day = day.addDays(1)) {
        const uint32_t steps = 3000 + uint32_t(first.daysTo(day) * 7919 + user * 104729) % 12000;
        days.push_back(Day(DateKey(day), steps, 10000, steps * 7 / 100, steps * 4 / 10, steps / 110));
    }
    return days;
}

// A full download log: MaxDownloadLogLines downloads, every third day.
QByteArray FullDownloadLog(int user)
{
    QByteArray log;
    for (int i = MaxDownloadLogLines - 1; i >= 0; --i) {
        DownloadLogEntry e{QDateTime(LastDay.addDays(-3 * i), QTime(9, 42), Qt::OffsetFromUTC, 3600), MemoryImage{}};
        for (size_t b = 0; b < e.Image.size(); ++b)
            e.Image[b] = uint8_t((b * 13 + size_t(i + user)) % 100);
        log += DownloadLogLine(e) + "\r\n";
    }
    return log;
}

// Fills dir (ending in '/') with the catalog, a list of users metric profiles "User0", "User1" …, and
// for each the 20-year history and, when withLogs, a full download log.
bool WriteDataDir(const QString& dir, int users, bool withLogs)
{
    ClientList clients;
    for (int u = 0; u < users; ++u) {
        const QString name = QStringLiteral("User%1").arg(u);
        clients.push_back(MetricClient(name));
        if (!WriteBytes(ActivityFilePath(dir, name), DayRecordsToBytes(TwentyYears(u))))
            return false;
        if (withLogs && !WriteBytes(DownloadLogPath(dir, name), FullDownloadLog(u)))
            return false;
    }
    return WriteBytes(dir + QLatin1String(CatalogFileName), DefaultCatalogBytes())
        && SaveUserList(dir + QLatin1String(UserListFileName), clients);
}

// The median time of kinetrax with arguments on dataDir; prepare runs untimed before each run. -1 when a
// run failed.
double TimeCommand(const QString& dataDir, const QString& runtimeDir, const QStringList& arguments,
                   const std::function<void()>& prepare = {})
{
    const QString program = QCoreApplication::applicationDirPath() + QStringLiteral("/kinetrax");
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("KINETRAX_DATA_DIR"), dataDir);
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeDir);
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    bool failed = false;
    const double ms = MedianMs(
        Runs,
        [&] {
            QProcess child;
            child.setProcessEnvironment(env);
            child.setStandardOutputFile(QProcess::nullDevice());
            child.start(program, arguments);
            if (!child.waitForFinished(30000) || child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0) {
                std::fprintf(stderr, "bench_cli: kinetrax %s: %s\n", qPrintable(arguments.join(QLatin1Char(' '))),
                             child.readAllStandardError().constData());
                failed = true;
            }
        },
        prepare);
    return failed ? -1 : ms;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir one, eight, files, runtime;
    const QString oneDir = one.path() + QLatin1Char('/');
    const QString eightDir = eight.path() + QLatin1Char('/');
    const DayRecordList days = TwentyYears(0);
    const QString km = files.filePath(QStringLiteral("User0-km.csv"));
    const QString miles = files.filePath(QStringLiteral("User0-mile.csv"));
    if (!WriteDataDir(oneDir, 1, false) || !WriteDataDir(eightDir, MaxClients, true)
        || !SaveUserList(oneDir + QLatin1String(UserListFileName),
                         {MetricClient(QStringLiteral("User0")), MetricClient(QStringLiteral("Empty"))})
        || !WriteBytes(km, CsvExportBytes(days, DefaultCatalog(), true))
        || !WriteBytes(miles, CsvExportBytes(days, DefaultCatalog(), false))) {
        std::fprintf(stderr, "bench_cli: cannot prepare the data directories\n");
        return 1;
    }
    const QString rt = runtime.path();
    const QString format = QStringLiteral("--format");
    const double exportCsv = TimeCommand(oneDir, rt, {QStringLiteral("export"), format, QStringLiteral("csv")});
    const double exportJson = TimeCommand(oneDir, rt, {QStringLiteral("export"), format, QStringLiteral("json")});

    const QString emptyBin = ActivityFilePath(oneDir, QStringLiteral("Empty"));
    const auto emptyUser = [&] { QFile::remove(emptyBin); };
    const QStringList import = {QStringLiteral("import"), QStringLiteral("--user"), QStringLiteral("Empty")};
    const double importEmpty = TimeCommand(oneDir, rt, import + QStringList{km}, emptyUser);
    const bool imported = QFile(emptyBin).size() == qint64(days.size()) * DayRecordSize;
    const double importIdentical = TimeCommand(oneDir, rt, import + QStringList{km});
    const double importMiles = TimeCommand(oneDir, rt, import + QStringList{miles}, emptyUser);

    const double backup = TimeCommand(eightDir, rt, {QStringLiteral("backup"), files.filePath(QStringLiteral("b.tar.gz"))});
    const double results[] = {exportCsv, exportJson, importEmpty, importIdentical, importMiles, backup};
    for (double ms : results) {
        if (ms < 0)
            return 1;
    }
    if (!imported) {
        std::fprintf(stderr, "bench_cli: the import did not write every day\n");
        return 1;
    }
    std::printf("kinetrax commands, 20 years of daily records (%d days) per user, process start to exit:\n",
                int(days.size()));
    std::printf("  export --format csv, one user (goal < 120 ms):          %7.1f ms\n", exportCsv);
    std::printf("  export --format json, one user:                         %7.1f ms\n", exportJson);
    std::printf("  import into an empty user (goal < 150 ms):              %7.1f ms\n", importEmpty);
    std::printf("  import, every day identical:                            %7.1f ms\n", importIdentical);
    std::printf("  import in miles into a metric user:                     %7.1f ms\n", importMiles);
    std::printf("  backup, eight users with download logs (goal < 400 ms): %7.1f ms\n", backup);
    return exportCsv < 120 && importEmpty < 150 && backup < 400 ? 0 : 2;
}
