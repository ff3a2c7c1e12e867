#include "today/today_figures.h"

#include "today/figure_texts.h"

QDate SlotDate(const QDate& selected, int slot)
{
    return selected.addDays(SelectedSlot - slot);
}

namespace {

// The first record of the date; none for a date without a key (DateKey 0), whatever a damaged record
// with Date 0 holds.
const TBINFile* RecordOf(const DayRecordList& records, const QDate& date)
{
    const uint32_t key = DateKey(date);
    if (key == 0)
        return nullptr;
    const auto at = FindDayRecord(records, key);
    return at ? &records[*at] : nullptr;
}

} // namespace

QString DeviceTotalText(const MemoryImage& downloadBlock)
{
    return FormatThousands(DeviceStepTotal(downloadBlock));
}

DayPanelTexts ComputeDayPanelTexts(const DayRecordList& records, bool recordsLoaded, const QDate& date,
                                   const TSoftInfo& catalog)
{
    DayPanelTexts p;
    p.Date = date;
    const DisplayDate d = SplitDisplayDate(date, catalog);
    p.MonthYear = d.monthYearText();
    p.Day = QString::number(d.Day);
    p.StepUnit = QLatin1Char(' ') + catalog.TodayPanel[0];
    const TBINFile* r = recordsLoaded ? RecordOf(records, date) : nullptr;
    p.Steps = FormatThousands(r ? r->Steps : 0u);
    p.Percent = r ? TargetPercentText(r->Steps, r->TargetSteps) : QStringLiteral("0%");
    return p;
}

TodayTexts ComputeTodayTexts(const DayRecordList& records, bool recordsLoaded, const MemoryImage& downloadBlock,
                             const QDate& selected, bool metric, const TSoftInfo& catalog)
{
    TodayTexts t;
    t.Selected = SplitDisplayDate(selected, catalog);
    t.DayText = QString::number(t.Selected.Day);
    t.DaySuffix = t.Selected.DaySuffix;
    t.DateText = t.Selected.monthYearText();

    const TBINFile none{};
    const TBINFile* day = recordsLoaded ? RecordOf(records, selected) : nullptr;
    const TBINFile& r = day ? *day : none;
    t.Steps = FormatThousands(r.Steps);
    t.TargetSteps = FormatThousands(r.TargetSteps);
    t.TargetPercent = TargetPercentText(r.Steps, r.TargetSteps);
    t.Distance = DistanceText(r.Distance, metric, catalog);
    t.Calories = CaloriesText(r.Calories, catalog);
    t.WalkingTime = MinutesText(r.WalkingTime, catalog);
    t.ModerateSteps = FormatThousands(r.CardioSteps);
    t.ModerateTime = MinutesText(r.CardioTime, catalog);
    t.TotalSteps = recordsLoaded ? DeviceTotalText(downloadBlock) : QStringLiteral("0");

    for (int k = 0; k < DayPanelSlots; ++k)
        t.Slots[k] = ComputeDayPanelTexts(records, recordsLoaded, SlotDate(selected, k), catalog);
    return t;
}

QString ActivityFileMissingText(const QString& path, const TSoftInfo& catalog)
{
    return path + QStringLiteral("\r\n") + catalog.Info[4];
}
