#include "charts/chart_texts.h"

#include "today/figure_texts.h"

#include <cmath>

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

QString BarToolTipText(const PeriodView& view, Measure measure, int bar, int year, int month, bool metric,
                       const TSoftInfo& catalog)
{
    if (measure < 0 || measure >= MeasureCount || bar < 0 || bar >= view.barCount()
        || bar >= static_cast<int>(view.Values[measure].size()))
        return QString();
    const QString monthName = month >= 1 && month <= 12 ? catalog.Months[month - 1] : QString();
    const QString label = view.Labels[bar];
    QString period;
    switch (view.Mode) {
    case PeriodMode::Daily: period = label + QLatin1Char(' ') + monthName + QLatin1Char(' ') + QString::number(year); break;
    case PeriodMode::Weekly: period = catalog.XAxisString[1] + QLatin1Char(' ') + label; break;
    case PeriodMode::Monthly: {
        const int m = label.toInt();
        period = (m >= 1 && m <= 12 ? catalog.Months[m - 1] : label) + QLatin1Char(' ') + QString::number(year);
        break;
    }
    case PeriodMode::Yearly: period = label; break;
    }

    // Bar values are sums divided by 100 or 10; scaled back they are whole numbers again.
    const double value = view.Values[measure][static_cast<std::size_t>(bar)];
    const auto whole = [](double v) { return v > 0 ? static_cast<uint64_t>(std::llround(v)) : uint64_t{0}; };
    QString figure;
    switch (measure) {
    case MeasureDistance: {
        const uint64_t d = whole(value * 100);
        figure = FormatThousands(d / 100u) + QLatin1Char('.') + Digit(d % 100u / 10u) + Digit(d) + QLatin1Char(' ')
            + catalog.Units[metric ? UnitKm : UnitMile];
        break;
    }
    case MeasureCalories: {
        const uint64_t c = whole(value * 10);
        figure = FormatThousands(c / 10u) + QLatin1Char('.') + Digit(c) + QLatin1Char(' ') + catalog.Units[UnitKcal];
        break;
    }
    case MeasureWalkingTime:
    case MeasureCardioTime: figure = FormatThousands(whole(value)) + QLatin1Char(' ') + catalog.Units[UnitMin]; break;
    default: figure = FormatThousands(whole(value)) + QLatin1Char(' ') + catalog.Units[UnitSteps]; break;
    }
    return period + QStringLiteral(": ") + figure;
}

int AxisDecimals(Measure measure)
{
    switch (measure) {
    case MeasureSteps: return 0;
    case MeasureDistance: return 3;
    default: return 2;
    }
}

QString AxisValueText(Measure measure, double value)
{
    const int decimals = AxisDecimals(measure);
    uint64_t scale = 1;
    for (int i = 0; i < decimals; ++i)
        scale *= 10u;
    const uint64_t n = value > 0 ? static_cast<uint64_t>(std::llround(value * static_cast<double>(scale))) : 0u;
    QString text = FormatThousands(n / scale);
    if (decimals > 0)
        text += QLatin1Char('.') + QString::number(n % scale).rightJustified(decimals, QLatin1Char('0'));
    return text;
}
