#include "charts/chart_texts.h"

namespace {

enum UnitIndex { UnitKm = 7, UnitMile = 8, UnitKcal = 9, UnitMin = 10, UnitSteps = 11 };

QString Digit(uint64_t d)
{
    return QString(QLatin1Char(static_cast<char>('0' + d % 10u)));
}

} // namespace

RecordTotals SumRecords(const DayRecordList& records)
{
    RecordTotals t;
    for (const TBINFile& r : records) {
        t.Sums[MeasureSteps] += r.Steps;
        t.Sums[MeasureDistance] += r.Distance;
        t.Sums[MeasureCalories] += r.Calories;
        t.Sums[MeasureWalkingTime] += r.WalkingTime;
        t.Sums[MeasureCardioSteps] += r.CardioSteps;
        t.Sums[MeasureCardioTime] += r.CardioTime;
    }
    return t;
}

std::array<QString, MeasureCount> RecordTotalTexts(const RecordTotals& totals, bool metric, const TSoftInfo& catalog)
{
    const QString head = catalog.Other[0] + QLatin1Char(':');
    const auto& s = totals.Sums;
    const uint64_t d = s[MeasureDistance];
    const uint64_t c = s[MeasureCalories];
    std::array<QString, MeasureCount> out;
    out[MeasureSteps] = head + QString::number(s[MeasureSteps]) + catalog.Units[UnitSteps];
    out[MeasureDistance] = head + QString::number(d / 100u) + QLatin1Char('.') + Digit(d % 100u / 10u)
        + Digit(d) + catalog.Units[metric ? UnitKm : UnitMile];
    out[MeasureCalories] = head + QString::number(c / 10u) + QLatin1Char('.') + Digit(c) + catalog.Units[UnitKcal];
    out[MeasureWalkingTime] = head + QString::number(s[MeasureWalkingTime]) + catalog.Units[UnitMin];
    out[MeasureCardioSteps] = head + QString::number(s[MeasureCardioSteps]);
    out[MeasureCardioTime] = head + QString::number(s[MeasureCardioTime]) + catalog.Units[UnitMin];
    return out;
}

QString ChartAxisCaption(Measure measure, bool metric, const TSoftInfo& catalog)
{
    if (measure < 0 || measure >= MeasureCount)
        return QString();
    const QString word = catalog.RecordPanel[measure];
    QString unit;
    switch (measure) {
    case MeasureDistance: unit = catalog.Units[metric ? UnitKm : UnitMile]; break;
    case MeasureCalories: unit = catalog.Units[UnitKcal]; break;
    case MeasureWalkingTime:
    case MeasureCardioTime: unit = catalog.Units[UnitMin]; break;
    default: return word;
    }
    return word + QLatin1Char('(') + unit + QLatin1Char(')');
}

QString PeriodCaption(PeriodMode mode, int recordYear, int recordMonth, const TSoftInfo& catalog)
{
    const QString word = catalog.XAxisString[static_cast<int>(mode)];
    switch (mode) {
    case PeriodMode::Daily:
        return word + QLatin1Char('(') + (recordMonth >= 1 && recordMonth <= 12 ? catalog.Months[recordMonth - 1] : QString())
            + QLatin1Char(')');
    case PeriodMode::Weekly:
    case PeriodMode::Monthly:
        return word + QLatin1Char('(') + QString::number(recordYear) + QLatin1Char(')');
    case PeriodMode::Yearly: break;
    }
    return word;
}
