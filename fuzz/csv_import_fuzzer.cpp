// Any bytes as the CSV that kinetrax import reads (ReadRecordsCsv), then the days read merged into a
// history (MergeImportedDays) in the user's unit.
//
// Input: one byte of flags (1: replace, 2: the user is metric), then the CSV.

#include "catalog/catalog_file.h"
#include "export/csv_export.h"
#include "export/csv_import.h"
#include "fuzz/fuzz_support.h"
#include "store/date_key.h"
#include "store/import_merge.h"
#include "store/merge.h"

#include <QSet>

#include <cstddef>
#include <cstdint>

namespace {

// A history holding a date twice, as an old file may: only the first may ever change.
DayRecordList History()
{
    auto day = [](uint32_t date, uint32_t steps, uint32_t distance) {
        TBINFile r;
        r.Date = date;
        r.Steps = steps;
        r.Distance = distance;
        r.TargetSteps = 8000;
        r.CardioSteps = 7;
        r.CardioTime = 3;
        return r;
    };
    return {day(20100701, 5000, 350), day(20100702, 6000, 420), day(20100701, 1, 1), day(20100703, 0, 0)};
}

bool SameExported(const TBINFile& a, const TBINFile& b)
{
    return a.Date == b.Date && a.Steps == b.Steps && a.TargetSteps == b.TargetSteps && a.Distance == b.Distance
        && a.Calories == b.Calories && a.WalkingTime == b.WalkingTime;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const bool replace = data[0] & 1;
    const bool userMetric = data[0] & 2;
    const QByteArray bytes(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    static const TSoftInfo catalog = DefaultCatalog();

    CsvImport csv = ReadRecordsCsv(bytes, catalog);
    if (!csv.Ok) {
        FUZZ_CHECK(csv.Records.empty());
        FUZZ_CHECK(!csv.Error.isEmpty());
        FUZZ_CHECK(csv.Line >= 1 && csv.Line <= bytes.count('\n') + 1);
        return 0;
    }
    QSet<uint32_t> dates;
    for (const TBINFile& r : csv.Records) {
        FUZZ_CHECK(DateFromKey(r.Date).isValid());
        FUZZ_CHECK(r.CardioSteps == 0 && r.CardioTime == 0);
        FUZZ_CHECK(!dates.contains(r.Date));
        dates.insert(r.Date);
    }
    // What was read is exported as it was read, and reads back the same.
    const CsvImport again = ReadRecordsCsv(CsvExportBytes(csv.Records, catalog, csv.Metric), catalog);
    FUZZ_CHECK(again.Ok && again.Metric == csv.Metric && again.Records == csv.Records);

    ConvertImportedDistances(csv.Records, csv.Metric, userMetric);
    const DayRecordList before = History();
    DayRecordList history = before;
    const ImportCounts counts = MergeImportedDays(history, csv.Records, replace);
    FUZZ_CHECK(counts.Added >= 0 && counts.Identical >= 0 && counts.Differing >= 0);
    FUZZ_CHECK(size_t(counts.Added + counts.Identical + counts.Differing) == csv.Records.size());
    FUZZ_CHECK(history.size() == before.size() + size_t(counts.Added));
    // The old records keep their place and cardio figures; the later record of a date never changes.
    for (size_t i = 0; i < before.size(); ++i) {
        FUZZ_CHECK(history[i].Date == before[i].Date);
        FUZZ_CHECK(history[i].CardioSteps == before[i].CardioSteps && history[i].CardioTime == before[i].CardioTime);
        if (!replace || FindDayRecord(before, before[i].Date) != i)
            FUZZ_CHECK(history[i] == before[i]);
    }
    // Each imported day is in the history: as imported when added or replaced.
    for (const TBINFile& day : csv.Records) {
        const auto at = FindDayRecord(history, day.Date);
        FUZZ_CHECK(at.has_value());
        const bool added = *at >= before.size();
        if (added || replace)
            FUZZ_CHECK(SameExported(history[*at], day));
        else
            FUZZ_CHECK(SameExported(history[*at], before[*at]));
        if (added)
            FUZZ_CHECK(history[*at].CardioSteps == 0 && history[*at].CardioTime == 0);
    }
    return 0;
}
