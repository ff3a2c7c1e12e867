// Times the record store and the period views on a 20-year history (7,300 days): load and save of the
// activity file, each of the four chart periods and the TODAY figures; and with a full download log, the
// status of every day and the TODAY refresh with its line about the last download. Prints the median of
// several runs per step, in milliseconds. Goals: every step under 5 ms; the status of all days under
// 1 ms; the refresh with the line within 10 % of the refresh without it.

#include "bench/median_time.h"
#include "catalog/catalog_file.h"
#include "charts/period_view.h"
#include "store/activity_file.h"
#include "store/day_status.h"
#include "store/download_log.h"
#include "today/sync_texts.h"
#include "today/today_figures.h"
#include "tests/support/scripted_prompts.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

constexpr int Days = 7300;
constexpr int Runs = 31;

DayRecordList History(const QDate& last)
{
    DayRecordList records;
    records.reserve(Days);
    uint32_t seed = 12345;
    const auto next = [&seed](uint32_t range) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 8) % range;
    };
    for (QDate d = last.addDays(-(Days - 1)); d <= last; d = d.addDays(1)) {
        TBINFile r;
        r.Date = DateKey(d);
        r.Steps = next(25000);
        r.Distance = r.Steps * 7 / 100;
        r.Calories = r.Steps * 4 / 10;
        r.WalkingTime = r.Steps / 110;
        r.CardioSteps = r.Steps / 3;
        r.CardioTime = r.WalkingTime / 3;
        r.TargetSteps = 10000;
        records.push_back(r);
    }
    return records;
}

double MedianMs(const std::function<void()>& step, const std::function<void()>& prepare = {})
{
    return ::MedianMs(Runs, step, prepare);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    if (!dir.isValid()) {
        std::fprintf(stderr, "cannot create a temporary directory\n");
        return 1;
    }
    const TSoftInfo catalog = DefaultCatalog();
    ScriptedPrompts prompts;
    const QDate last(2024, 6, 15);
    const QString path = ActivityFilePath(dir.path() + '/', QStringLiteral("Bench"));
    const DayRecordList history = History(last);
    if (!SaveDayRecords(path, history, catalog, prompts)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return 1;
    }

    DayRecordList loaded;
    bool ok = true;
    long long checksum = 0; // keeps the views from being optimised away
    std::printf("activity file: %d records, %lld bytes; median of %d runs\n", Days,
                static_cast<long long>(QFileInfo(path).size()), Runs);
    std::printf("%-16s %8.3f ms\n", "load", MedianMs([&] {
        ok = LoadDayRecords(path, loaded, catalog, prompts) && ok;
    }));
    std::printf("%-16s %8.3f ms\n", "save", MedianMs([&] {
        ok = SaveDayRecords(path, loaded, catalog, prompts) && ok;
    }));
    // Most of a save is the flush to disk that makes the replacement durable; this is the rest.
    std::printf("%-16s %8.3f ms\n", "  of it encoding", MedianMs([&] {
        checksum += DayRecordsToBytes(loaded).size();
    }));
    ok = ok && loaded == history && prompts.shown().isEmpty();

    const QDate selected = last.addDays(-40);
    std::printf("%-16s %8.3f ms\n", "daily view", MedianMs([&] {
        checksum += DailyView(loaded, selected).barCount();
    }));
    std::printf("%-16s %8.3f ms\n", "weekly view", MedianMs([&] {
        checksum += WeeklyView(loaded, selected).barCount();
    }));
    std::printf("%-16s %8.3f ms\n", "monthly view", MedianMs([&] {
        checksum += MonthlyView(loaded, selected).barCount();
    }));
    // The yearly view sorts the list it is given; each run starts from the file order again.
    DayRecordList scratch;
    std::printf("%-16s %8.3f ms\n", "yearly view", MedianMs([&] {
        checksum += YearlyView(scratch).barCount();
    }, [&] { scratch = loaded; }));
    MemoryImage block{};
    std::printf("%-16s %8.3f ms\n", "today figures", MedianMs([&] {
        checksum += ComputeTodayTexts(loaded, true, block, selected, true, catalog).Steps.size();
    }));

    // A full log: a download every day but the last few hundred days' gaps.
    const QString logPath = DownloadLogPath(dir.path() + '/', QStringLiteral("Bench"));
    for (int i = MaxDownloadLogLines; i > 0; --i) {
        DownloadLogEntry e;
        e.When = QDateTime(last.addDays(-i), QTime(8, 30), Qt::OffsetFromUTC, 7200);
        e.Image[0] = StatusReady;
        ok = AppendDownloadLog(logPath, e) && ok;
    }
    std::vector<DownloadLogEntry> log;
    std::printf("%-16s %8.3f ms\n", "download log", MedianMs([&] { log = LoadDownloadLog(logPath); }));
    ok = ok && log.size() == size_t(MaxDownloadLogLines);
    std::printf("%-16s %8.3f ms\n", "status, all days", MedianMs([&] {
        const DayStatusIndex index(loaded, log, last);
        for (QDate d = last.addDays(-(Days - 1)); d <= last; d = d.addDays(1))
            checksum += int(index.StatusOf(d));
    }));
    // What TODAY does on a refresh: the file, the figures, and now the log and the line.
    const double refresh = MedianMs([&] {
        ok = LoadDayRecords(path, loaded, catalog, prompts) && ok;
        checksum += ComputeTodayTexts(loaded, true, block, last, true, catalog).Steps.size();
    });
    // The window keeps the outlook until the user's files change, as after a download.
    SyncOutlookCache cache;
    const double withLine = MedianMs([&] {
        ok = LoadDayRecords(path, loaded, catalog, prompts) && ok;
        checksum += ComputeTodayTexts(loaded, true, block, last, true, catalog).Steps.size();
        checksum += SyncStatusLine(cache.Outlook(path, logPath, loaded, last), last, catalog).Text.size();
    });
    std::printf("%-16s %8.3f ms\n", "today refresh", refresh);
    std::printf("%-16s %8.3f ms (%+.1f %%)\n", "  with its line", withLine, (withLine / refresh - 1) * 100);
    std::printf("%-16s %8.3f ms\n", "  after a change", MedianMs([&] {
        checksum += SyncStatusLine(SyncOutlookCache().Outlook(path, logPath, loaded, last), last, catalog).Text.size();
    }));

    if (!ok || checksum == 0) {
        std::fprintf(stderr, "benchmark run failed\n");
        for (const QString& t : prompts.texts())
            std::fprintf(stderr, "  message: %s\n", qPrintable(t));
        return 1;
    }
    return 0;
}
