// kinetrax backup from process start (exec) to exit, on the real program: eight users with 20 years of
// daily records and a download log of 400 lines each, with the catalog and the user list.
// Goal: under 400 ms.
#include "bench/median_time.h"
#include "catalog/catalog_file.h"
#include "profiles/user_list.h"
#include "store/activity_file.h"
#include "store/date_key.h"
#include "store/download_log.h"
#include "tests/support/builders.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>

namespace {

constexpr int Runs = 9;

bool WriteBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

bool Prepare(const QString& dir)
{
    const QDate last(2026, 12, 10);
    ClientList clients;
    for (int u = 0; u < MaxClients; ++u) {
        const QString name = QStringLiteral("User%1").arg(u);
        clients.push_back(MetricClient(name));
        DayRecordList days;
        for (int back = 20 * 365; back >= 0; --back) {
            const uint32_t steps = 3000 + uint32_t((back + u) * 7919) % 12000;
            days.push_back(Day(DateKey(last.addDays(-back)), steps, 10000, steps * 7 / 100, steps / 25, steps / 110));
        }
        QByteArray log;
        for (int i = MaxDownloadLogLines - 1; i >= 0; --i) {
            DownloadLogEntry e{QDateTime(last.addDays(-3 * i), QTime(9, 42), Qt::OffsetFromUTC, 3600), MemoryImage{}};
            for (size_t b = 0; b < e.Image.size(); ++b)
                e.Image[b] = uint8_t((b * 13 + size_t(i)) % 100);
            log += DownloadLogLine(e) + "\r\n";
        }
        if (!WriteBytes(ActivityFilePath(dir, name), DayRecordsToBytes(days)) || !WriteBytes(DownloadLogPath(dir, name), log))
            return false;
    }
    return WriteBytes(dir + QLatin1String(CatalogFileName), DefaultCatalogBytes())
        && SaveUserList(dir + QLatin1String(UserListFileName), clients);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QString program = QCoreApplication::applicationDirPath() + QStringLiteral("/kinetrax");
    QTemporaryDir data;
    QTemporaryDir out;
    const QString dir = data.path() + QLatin1Char('/');
    if (!Prepare(dir)) {
        std::fprintf(stderr, "cannot write the data directory\n");
        return 1;
    }
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("KINETRAX_DATA_DIR"), dir);
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    const QString archive = out.path() + QStringLiteral("/backup.tar.gz");
    bool ok = true;
    QByteArray said;
    const double ms = MedianMs(Runs, [&] {
        QProcess child;
        child.setProcessEnvironment(env);
        child.start(program, {QStringLiteral("backup"), archive});
        ok = child.waitForFinished(30000) && child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0 && ok;
        said = child.readAllStandardOutput();
    });
    if (!ok) {
        std::fprintf(stderr, "kinetrax backup failed\n");
        return 1;
    }
    std::printf("%s", said.constData());
    std::printf("kinetrax backup, 8 users x 20 years + 400-line logs: %.1f ms (median of %d; goal < 400 ms)\n", ms, Runs);
    return 0;
}
