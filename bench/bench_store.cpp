// Times the record store and the period views on a 20-year history (7,300 days): load and save of the
// activity file, each of the four chart periods and the TODAY figures. Prints the median of several
// runs per step, in milliseconds. Goal: every step under 5 ms.

#include "bench/median_time.h"
#include "catalog/catalog_file.h"
#include "charts/period_view.h"
#include "store/activity_file.h"
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

    if (!ok || checksum == 0) {
        std::fprintf(stderr, "benchmark run failed\n");
        for (const QString& t : prompts.texts())
            std::fprintf(stderr, "  message: %s\n", qPrintable(t));
        return 1;
    }
    return 0;
}
