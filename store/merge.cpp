#include "store/merge.h"

#include "store/activity_file.h"
#include "store/date_key.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

TBINFile* FindRecord(DayRecordList& records, uint32_t key)
{
    const auto it = std::find_if(records.begin(), records.end(), [key](const TBINFile& r) { return r.Date == key; });
    return it == records.end() ? nullptr : &*it;
}

bool SameFigures(const TBINFile& r, const DayBlockValues& v)
{
    return r.Steps == v.Steps && r.Calories == v.Calories && r.Distance == v.Distance && r.WalkingTime == v.WalkingTime;
}

void TakeFigures(TBINFile& r, const DayBlockValues& v)
{
    r.Steps = v.Steps;
    r.Calories = v.Calories;
    r.Distance = v.Distance;
    r.WalkingTime = v.WalkingTime;
}

TBINFile NewRecord(uint32_t key, const DayBlockValues& v, uint32_t target)
{
    TBINFile r;
    r.Date = key;
    TakeFigures(r, v);
    r.TargetSteps = target;
    return r;
}


} // namespace

bool BlockHasData(const MemoryImage& image, int start)
{
    for (int i = std::max(start, 0); i < start + 10 && i < MemoryImageSize; ++i) {
        if (image[size_t(i)] != 0)
            return true;
    }
    return false;
}

MergeOutcome MergeDownload(const MemoryImage& downloadBlock, bool downloadComplete, const QDate& today,
                           const QString& activityPath, DayRecordList& dayRecords, bool reportSuccess,
                           bool connected, const TSoftInfo& catalog, Prompts& prompts,
                           std::optional<bool> storedInKilometres)
{
    if (!downloadComplete)
        return MergeOutcome::NotComplete;
    if (!LoadDayRecords(activityPath, dayRecords, catalog, prompts))
        return MergeOutcome::NoRecords;

    const uint32_t deviceTarget = DecodeProfileValues(downloadBlock).TargetSteps;
    for (int i = 0; i < DaysInMemory; ++i) {
        const uint32_t key = DateKey(today.addDays(-i));
        DayBlockValues values = DecodeDayBlock(downloadBlock, i);
        if (storedInKilometres)
            values.Distance = ConvertDistance(values.Distance, *storedInKilometres);
        TBINFile* record = FindRecord(dayRecords, key);
        if (!record) {
            dayRecords.push_back(NewRecord(key, values, i == 0 ? deviceTarget : 0));
            continue;
        }
        if (i == 0)
            record->TargetSteps = deviceTarget;
        if (SameFigures(*record, values) || !BlockHasData(downloadBlock, DayBlockOffset(i)))
            continue;
        const QString question = i == 0 ? catalog.Info[20] : catalog.Info[21] + QString::number(i) + catalog.Info[22];
        if (prompts.askYesNo(QString(), question, PromptFlags::YesNoQuestion))
            TakeFigures(*record, values);
    }

    if (!SaveDayRecords(activityPath, dayRecords, catalog, prompts))
        return MergeOutcome::SaveFailed;
    if (reportSuccess && connected)
        prompts.showMessage(catalog.SoftName[0] + QLatin1Char(' ') + catalog.SoftName[1], catalog.Info[12],
                            PromptFlags::Information);
    return MergeOutcome::Saved;
}

uint32_t ConvertDistance(uint32_t distance, bool toKilometres)
{
    const double factor = toKilometres ? 1.609344 : 0.621371192237334;
    const double converted = std::trunc(distance * factor + 0.5);
    return converted >= double(std::numeric_limits<uint32_t>::max()) ? std::numeric_limits<uint32_t>::max()
                                                                      : uint32_t(converted);
}

bool ConvertStoredDistances(DayRecordList& records, bool toKilometres, const QString& activityPath,
                            const TSoftInfo& catalog, Prompts& prompts)
{
    for (TBINFile& r : records)
        r.Distance = ConvertDistance(r.Distance, toKilometres);
    return SaveDayRecords(activityPath, records, catalog, prompts);
}

QByteArray ConvertedActivityBytes(const QByteArray& bytes, bool toKilometres)
{
    DayRecordList records = DayRecordsFromBytes(bytes);
    FillMissingTargets(records);
    for (TBINFile& r : records)
        r.Distance = ConvertDistance(r.Distance, toKilometres);
    return DayRecordsToBytes(records);
}
