#include "profiles/units.h"

#include <QLocale>

#include <algorithm>
#include <cmath>

namespace {

constexpr double CmToInch = 0.39370078740157477;
constexpr double InchToCm = 2.54;
constexpr double LbToKg = 0.45359;
constexpr double KgToLb = 2.204634140964307;
constexpr double InchToMile = 1.5782828282828283e-5;
constexpr double InchesPerMile = 63360;
constexpr double CmPerKm = 100000;
constexpr double FootPerInch = 0.08333333333333333;

// Far above any target, small enough that the conversion to int is always defined.
constexpr double StepsCap = 1e9;

// Adds 0.5 and cuts toward zero, as the editor has always rounded.
double RoundHalfUp(double x)
{
    return std::trunc(x + 0.5);
}

int StepsFrom(double steps)
{
    if (!(steps > 0)) // also NaN
        return 0;
    return int(std::min(RoundHalfUp(steps), StepsCap));
}

QString TwoDigits(int value)
{
    return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0'));
}

int Clamp(int value, int low, int high)
{
    return std::clamp(value, low, high);
}

} // namespace

int EditNumber(const QString& text)
{
    bool ok = false;
    const int value = text.toInt(&ok, 10);
    return ok ? value : 0;
}

double EditDecimal(const QString& text)
{
    bool ok = false;
    double value = QLocale::system().toDouble(text, &ok);
    if (!ok)
        value = QLocale::c().toDouble(text, &ok);
    return ok && std::isfinite(value) ? value : 0;
}

QString FixedPointText(double value, int decimals)
{
    QLocale locale = QLocale::system();
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return locale.toString(value, 'f', decimals);
}

MasterValues MasterValuesFromEdits(bool metric, const BodyEditTexts& edits)
{
    const int h = EditNumber(edits.HeightH), l = EditNumber(edits.HeightL);
    const int w = EditNumber(edits.Weight), s = EditNumber(edits.Steplength);
    MasterValues m;
    if (metric) {
        m.HeightCm = float(h * 100 + l);
        m.WeightKg = float(w);
        m.SteplengthCm = float(s);
    } else {
        m.HeightCm = float((double(h) * 12 + l) * InchToCm);
        m.WeightKg = float(w * LbToKg);
        m.SteplengthCm = float(s * InchToCm);
    }
    return m;
}

BodyEditTexts MetricEditTexts(const MasterValues& m)
{
    const int h = int(std::trunc(m.HeightCm));
    return { QString::number(h / 100), TwoDigits(h % 100), QString::number(int(std::trunc(m.WeightKg))),
             QString::number(int(std::trunc(m.SteplengthCm))) };
}

BodyEditTexts ImperialEditTexts(const MasterValues& m)
{
    const float inches = float(m.HeightCm * CmToInch);
    const int hundredthsOfFoot = int(std::trunc(inches * 100 * FootPerInch));
    int feet = hundredthsOfFoot / 100;
    int inchPart = int(RoundHalfUp((hundredthsOfFoot % 100) * 0.01 * 12));
    // 5.97 ft is 5 ft 11.64 in: shown as 6 ft 00 in rather than 5 ft 12 in.
    if (inchPart >= 12) {
        ++feet;
        inchPart -= 12;
    }
    const float pounds = float(m.WeightKg * KgToLb);
    const float stepInches = float(m.SteplengthCm * CmToInch);
    return { QString::number(feet), TwoDigits(inchPart), QString::number(int(RoundHalfUp(pounds))),
             QString::number(int(RoundHalfUp(stepInches))) };
}

double DistancePerStep(bool metric, const MasterValues& m)
{
    return metric ? m.SteplengthCm * 0.00001 : m.SteplengthCm * CmToInch * InchToMile;
}

double CaloriesPerStep(bool metric, const MasterValues& m)
{
    return metric ? (m.WeightKg - 15) * 0.000693 + 0.005895 : (m.WeightKg * KgToLb - 30) * 0.000315 + 0.00495;
}

QString TargetDistanceText(int steps, bool metric, const MasterValues& m)
{
    return FixedPointText(steps * DistancePerStep(metric, m), 2);
}

QString TargetCaloriesText(int steps, bool metric, const MasterValues& m)
{
    return FixedPointText(steps * CaloriesPerStep(metric, m), 1);
}

int StepsForDistance(double distance, bool metric, const MasterValues& m)
{
    if (!(m.SteplengthCm > 0))
        return 0;
    return StepsFrom(metric ? distance * CmPerKm / m.SteplengthCm : distance * InchesPerMile / (m.SteplengthCm * CmToInch));
}

int StepsForCalories(double kcal, bool metric, const MasterValues& m)
{
    const double perStep = CaloriesPerStep(metric, m);
    if (!(perStep > 0))
        return 0;
    return StepsFrom(kcal / perStep);
}

QString TargetTextForKind(int kind, int formTarget, bool metric, const MasterValues& m)
{
    switch (kind) {
    case TargetKindDistance:
        return TargetDistanceText(formTarget, metric, m);
    case TargetKindCalories:
        return TargetCaloriesText(formTarget, metric, m);
    default:
        return QString::number(formTarget);
    }
}

std::optional<QString> TargetUnitText(int kind, bool metric, const TSoftInfo& catalog)
{
    switch (kind) {
    case TargetKindSteps:
        return catalog.Units[6];
    case TargetKindDistance:
        return catalog.Units[metric ? 7 : 8];
    case TargetKindCalories:
        return catalog.Units[9];
    default:
        return std::nullopt;
    }
}

TargetEditOutcome TargetEditChange(int kind, const QString& text, bool metric, const MasterValues& m, int formTarget)
{
    TargetEditOutcome out;
    out.FormTarget = formTarget;
    if (kind != TargetKindSteps && kind != TargetKindDistance && kind != TargetKindCalories)
        return out;
    out.MaxLength = kind == TargetKindCalories ? 7 : 5;
    const QString cut = text.left(out.MaxLength);
    if (cut != text)
        out.ReplacedText = cut;
    if (kind == TargetKindSteps) {
        out.FormTarget = std::max(0, EditNumber(cut));
        return out;
    }
    const double v = EditDecimal(cut);
    out.FormTarget = kind == TargetKindDistance ? StepsForDistance(v, metric, m) : StepsForCalories(v, metric, m);
    if (out.FormTarget > MaxTargetSteps) {
        out.FormTarget = MaxTargetSteps;
        out.ReplacedText = TargetTextForKind(kind, MaxTargetSteps, metric, m);
    }
    return out;
}

int NormalizeEditor(EditorFields& f, bool metric, int targetKind, const MasterValues& m)
{
    int h = std::max(0, EditNumber(f.Body.HeightH));
    int l = std::max(0, EditNumber(f.Body.HeightL));
    if (!metric)
        l = std::min(l, 11);
    if (h == 0) {
        if (metric) {
            l = std::max(l, 30);
        } else {
            h = 1;
            l = 0;
        }
    }
    f.Body.HeightH = QString::number(h);
    f.Body.HeightL = TwoDigits(l);
    f.Body.Weight = QString::number(metric ? Clamp(EditNumber(f.Body.Weight), 20, 227)
                                           : Clamp(EditNumber(f.Body.Weight), 50, 500));
    f.Body.Steplength = QString::number(metric ? Clamp(EditNumber(f.Body.Steplength), 30, 213)
                                               : Clamp(EditNumber(f.Body.Steplength), 12, 84));
    f.Age = QString::number(Clamp(EditNumber(f.Age), 1, 150));

    int formTarget = std::max(0, EditNumber(f.TargetStep));
    f.TargetStep = QString::number(formTarget);

    if (targetKind == TargetKindSteps) {
        f.Target = QString::number(Clamp(EditNumber(f.Target), 0, MaxTargetSteps));
    } else if (targetKind == TargetKindDistance || targetKind == TargetKindCalories) {
        const double v = EditDecimal(f.Target);
        const int steps = targetKind == TargetKindDistance ? StepsForDistance(v, metric, m)
                                                           : StepsForCalories(v, metric, m);
        if (steps > MaxTargetSteps) {
            formTarget = MaxTargetSteps;
            f.Target = TargetTextForKind(targetKind, MaxTargetSteps, metric, m);
        } else if (v <= 0) {
            formTarget = 0;
            f.Target = FixedPointText(0, targetKind == TargetKindDistance ? 2 : 1);
        }
    }
    return formTarget;
}

uint16_t ConvertStoredHeight(uint16_t height, bool toMetric)
{
    long converted;
    if (toMetric) {
        const int inches = (height / 100) * 12 + height % 100;
        converted = long(RoundHalfUp(float(inches * InchToCm)));
    } else {
        const long inches = long(RoundHalfUp(height * CmToInch));
        converted = (inches / 12) * 100 + inches % 12;
    }
    return uint16_t(std::min(converted, 65535L));
}

void ConvertStoredHeight(TClient& profile, bool toMetric)
{
    profile.Height = ConvertStoredHeight(profile.Height, toMetric);
}
