#include "today/figure_texts.h"

namespace {

enum UnitIndex { UnitKm = 7, UnitMile = 8, UnitKcal = 9, UnitMin = 10 };

} // namespace

QString FormatThousands(uint64_t value)
{
    const QString digits = QString::number(value);
    QString out;
    out.reserve(digits.size() + digits.size() / 3);
    for (int i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            out += QLatin1Char(',');
        out += digits[i];
    }
    return out;
}

QString DistanceText(uint32_t hundredths, bool metric, const TSoftInfo& catalog)
{
    return FormatThousands(hundredths / 100u) + QLatin1Char('.')
        + QLatin1Char(static_cast<char>('0' + hundredths % 100u / 10u))
        + QLatin1Char(static_cast<char>('0' + hundredths % 10u))
        + catalog.Units[metric ? UnitKm : UnitMile];
}

QString CaloriesText(uint32_t tenths, const TSoftInfo& catalog)
{
    return FormatThousands(tenths / 10u) + QLatin1Char('.')
        + QLatin1Char(static_cast<char>('0' + tenths % 10u)) + catalog.Units[UnitKcal];
}

QString MinutesText(uint32_t minutes, const TSoftInfo& catalog)
{
    return FormatThousands(minutes) + catalog.Units[UnitMin];
}

int TargetPercent(uint32_t steps, uint32_t target)
{
    if (target == 0)
        return 0;
    const uint64_t p = uint64_t{steps} * 100u / target;
    if (p >= 100)
        return 100;
    if (p == 0 && steps > 0)
        return 1;
    return static_cast<int>(p);
}

QString TargetPercentText(uint32_t steps, uint32_t target)
{
    return QString::number(TargetPercent(steps, target)) + QLatin1Char('%');
}
