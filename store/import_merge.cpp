#include "store/import_merge.h"

#include "store/merge.h"

#include <QHash>

namespace {

bool SameExportedFigures(const TBINFile& a, const TBINFile& b)
{
    return a.Steps == b.Steps && a.TargetSteps == b.TargetSteps && a.Distance == b.Distance
        && a.Calories == b.Calories && a.WalkingTime == b.WalkingTime;
}

} // namespace

ImportCounts MergeImportedDays(DayRecordList& history, const DayRecordList& imported, bool replace)
{
    // Positions, not pointers: appending may move the records.
    QHash<uint32_t, size_t> first;
    first.reserve(qsizetype(history.size()));
    for (size_t i = 0; i < history.size(); ++i) {
        if (!first.contains(history[i].Date))
            first.insert(history[i].Date, i);
    }
    ImportCounts counts;
    for (const TBINFile& day : imported) {
        const auto found = first.constFind(day.Date);
        if (found == first.constEnd()) {
            TBINFile added = day;
            added.CardioSteps = 0;
            added.CardioTime = 0;
            first.insert(day.Date, history.size());
            history.push_back(added);
            ++counts.Added;
            continue;
        }
        TBINFile& record = history[*found];
        if (SameExportedFigures(record, day)) {
            ++counts.Identical;
            continue;
        }
        ++counts.Differing;
        if (replace) {
            record.Steps = day.Steps;
            record.TargetSteps = day.TargetSteps;
            record.Distance = day.Distance;
            record.Calories = day.Calories;
            record.WalkingTime = day.WalkingTime;
        }
    }
    return counts;
}

void ConvertImportedDistances(DayRecordList& records, bool fromKilometres, bool toKilometres)
{
    if (fromKilometres == toKilometres)
        return;
    for (TBINFile& r : records)
        r.Distance = ConvertDistance(r.Distance, toKilometres);
}
