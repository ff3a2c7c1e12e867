#include "emulator/pedometer_history.h"

#include <QFile>
#include <QRegularExpression>
#include <QStringList>

#include <random>

namespace {

constexpr uint32_t MaxFigure = 99999;

uint32_t sumOfDays(const PedometerHistory& h)
{
    uint32_t sum = 0;
    for (const auto& d : h.days)
        sum += d.Steps;
    return sum % 100000;
}

} // namespace

PedometerHistory GenerateHistory(uint32_t seed, bool metric, uint16_t steplength, uint16_t weight)
{
    // mt19937 gives the same sequence everywhere; the distributions of <random> do not, so the draws
    // are mapped by hand.
    std::mt19937 gen(seed);
    auto draw = [&gen](uint32_t low, uint32_t high) { return low + gen() % (high - low + 1); };

    const double caloriesPerStep = metric ? (weight - 15.0) * 0.000693 + 0.005895
                                          : (weight - 30.0) * 0.000315 + 0.00495;
    PedometerHistory h;
    for (int i = 0; i < DaysInMemory; ++i) {
        uint32_t steps;
        const uint32_t kind = draw(0, 9);
        if (kind == 0)
            steps = 0;                    // the pedometer stayed at home
        else if (kind <= 2)
            steps = draw(500, 4000);      // a quiet day
        else if (kind == 9)
            steps = draw(15000, 25000);   // a long walk
        else
            steps = draw(4000, 15000);
        if (i == 0)
            steps = steps * draw(10, 90) / 100; // today is not over yet

        DayBlockValues& d = h.days[size_t(i)];
        d.Steps = steps;
        // Hundredths of a km from cm, or of a mile from inches.
        d.Distance = metric ? steps * uint32_t(steplength) / 1000 : steps * uint32_t(steplength) * 100 / 63360;
        const double kcal = caloriesPerStep > 0 ? steps * caloriesPerStep : 0;
        d.Calories = std::min<uint32_t>(MaxFigure, uint32_t(kcal * 10));
        d.WalkingTime = steps == 0 ? 0 : std::max<uint32_t>(1, steps / draw(90, 120));
        d.Distance = std::min(d.Distance, MaxFigure);
    }
    h.stepTotal = sumOfDays(h);
    return h;
}

HistoryResult ParseHistory(const QString& text)
{
    HistoryResult result;
    bool seen[DaysInMemory] = {};
    bool totalGiven = false;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (int n = 0; n < lines.size(); ++n) {
        const QString line = lines[n].trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const QString where = QStringLiteral("line %1: ").arg(n + 1);
        const QStringList fields = line.split(QRegularExpression(QStringLiteral("\\s+")));

        auto figure = [&](int index, uint32_t max, uint32_t* out) {
            bool ok = false;
            const qulonglong v = fields[index].toULongLong(&ok);
            if (!ok || v > max) {
                result.error = where + QStringLiteral("\"%1\" is not a number from 0 to %2").arg(fields[index]).arg(max);
                return false;
            }
            *out = uint32_t(v);
            return true;
        };

        if (fields[0] == QLatin1String("total")) {
            if (fields.size() != 2) {
                result.error = where + QStringLiteral("expected \"total N\"");
                return result;
            }
            if (!figure(1, MaxFigure, &result.history.stepTotal))
                return result;
            totalGiven = true;
            continue;
        }
        if (fields.size() != 5) {
            result.error = where + QStringLiteral("expected \"days_before steps distance calories minutes\"");
            return result;
        }
        uint32_t day = 0;
        if (!figure(0, DaysInMemory - 1, &day))
            return result;
        if (seen[day]) {
            result.error = where + QStringLiteral("day %1 is given twice").arg(day);
            return result;
        }
        seen[day] = true;
        DayBlockValues& d = result.history.days[day];
        if (!figure(1, MaxFigure, &d.Steps) || !figure(2, MaxFigure, &d.Distance)
            || !figure(3, MaxFigure, &d.Calories) || !figure(4, MaxFigure, &d.WalkingTime))
            return result;
    }
    if (!totalGiven)
        result.history.stepTotal = sumOfDays(result.history);
    result.ok = true;
    return result;
}

HistoryResult LoadHistoryFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        HistoryResult result;
        result.error = QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
        return result;
    }
    // A history file is a few lines; anything much bigger is not one.
    if (file.size() > 64 * 1024) {
        HistoryResult result;
        result.error = QStringLiteral("%1 is too big for a history file").arg(path);
        return result;
    }
    HistoryResult result = ParseHistory(QString::fromUtf8(file.readAll()));
    if (!result.ok)
        result.error = path + QStringLiteral(", ") + result.error;
    return result;
}
