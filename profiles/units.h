#pragma once

#include "catalog/soft_info.h"
#include "profiles/client.h"

#include <QString>

#include <cstdint>
#include <optional>

// What the settings window's TargetEdit holds. TargetKindWriting marks the program writing TargetEdit,
// during which its change handler does nothing.
constexpr int TargetKindSteps = 0;
constexpr int TargetKindDistance = 1; // km or mile
constexpr int TargetKindCalories = 2; // kcal
constexpr int TargetKindWriting = 3;

// The pedometer packs five digits of target.
constexpr int MaxTargetSteps = 99999;

// The editor's values in metric units, behind what it shows in either system; conversions between
// the systems and the target kinds work from these.
struct MasterValues {
    float HeightCm = 0;
    float WeightKg = 0;
    float SteplengthCm = 0;
};

// The body edits: height as HeightH (metres or feet, one digit) and HeightL (centimetres or inches,
// two digits), weight in kg or lb, step length in cm or inch.
struct BodyEditTexts {
    QString HeightH;
    QString HeightL;
    QString Weight;
    QString Steplength;
};

// An edit's text as a whole decimal number; 0 when it is not one.
int EditNumber(const QString& text);
// An edit's text as a decimal fraction in the platform's number format (the C format is accepted too);
// 0 when it is not a number.
double EditDecimal(const QString& text);
// A fraction for TargetEdit: fixed point with that many decimals in the platform's format, no grouping.
QString FixedPointText(double value, int decimals);

// Master values from the body edits as the editor's system reads them (a change of a body edit, or
// once after the editor was filled from a profile).
MasterValues MasterValuesFromEdits(bool metric, const BodyEditTexts& edits);

// The body edits for the master values: metric truncates; imperial rounds, with the height in feet and
// whole inches (an inch part that rounds up to 12 becomes the next foot).
BodyEditTexts MetricEditTexts(const MasterValues& master);
BodyEditTexts ImperialEditTexts(const MasterValues& master);

// Per-step factors of the target kinds: km or mile per step, kcal per step.
double DistancePerStep(bool metric, const MasterValues& master);
double CaloriesPerStep(bool metric, const MasterValues& master);

// A step target as distance (two decimals) or calories (one decimal).
QString TargetDistanceText(int steps, bool metric, const MasterValues& master);
QString TargetCaloriesText(int steps, bool metric, const MasterValues& master);

// Steps for a distance (km or mile) or calorie (kcal) target, rounded. Never negative: 0 for a value at
// or below 0 and when the step length or the calories per step leave nothing to divide by. Results are
// capped at a value well above MaxTargetSteps, so callers only need to compare with it.
int StepsForDistance(double distance, bool metric, const MasterValues& master);
int StepsForCalories(double kcal, bool metric, const MasterValues& master);

// What TargetEdit shows for formTarget when kind is selected (steps, distance or calories).
QString TargetTextForKind(int kind, int formTarget, bool metric, const MasterValues& master);

// TargetEditUnitLabel's text for a kind: [Units] 6 step, 7 km / 8 mile, 9 Kcal; none for
// TargetKindWriting, which leaves the label as it is.
std::optional<QString> TargetUnitText(int kind, bool metric, const TSoftInfo& catalog);

// A change of TargetEdit. The text is cut to MaxLength characters (5, calories 7) and read in the
// kind's unit; a target of MaxTargetSteps + 1 steps or more becomes MaxTargetSteps and the edit shows
// that target in its unit. With TargetKindWriting nothing changes.
struct TargetEditOutcome {
    int FormTarget = 0;
    int MaxLength = 0;                 // 0: no limit applies (TargetKindWriting)
    std::optional<QString> ReplacedText; // the text TargetEdit must show instead, when it changes
};
TargetEditOutcome TargetEditChange(int kind, const QString& text, bool metric, const MasterValues& master,
                                   int formTarget);

// The editor's fields that normalization rewrites.
struct EditorFields {
    BodyEditTexts Body;
    QString Age;
    QString TargetStep; // TargetStepEdit
    QString Target;     // TargetEdit, in the unit of the target kind
};

// Rewrites every field to its number and into its limits (metric / imperial):
// height at least 0.30 m / 1 ft 00 in, inches at most 11; weight 20-227 kg / 50-500 lb;
// step length 30-213 cm / 12-84 inch; age 1-150; TargetStep not negative; TargetEdit 0-99999 steps or
// their distance or calories. Returns the step target that results (FormTarget). The master values are
// only read, for the target kinds: the caller holds them unchanged while it writes the fields back.
int NormalizeEditor(EditorFields& fields, bool metric, int targetKind, const MasterValues& master);

// A stored profile height in the other unit system: metric centimetres from feet*100 + inches, or
// feet*100 + inches from centimetres, each rounded to whole units. Capped at 65535.
uint16_t ConvertStoredHeight(uint16_t height, bool toMetric);
// The profile's Height only; its Metric flag is the caller's to set.
void ConvertStoredHeight(TClient& profile, bool toMetric);
