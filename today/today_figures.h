#pragma once

#include "catalog/soft_info.h"
#include "protocol/memory_image.h"
#include "store/day_record.h"
#include "today/date_texts.h"

#include <QDate>
#include <QString>

#include <array>

// Texts of one day panel of the carousel, by the Tag of the label that shows them.
struct DayPanelTexts {
    QDate Date;
    QString Steps;     // Tag 0: steps grouped in thousands
    QString MonthYear; // Tag 1: "Jul 2010"
    QString Day;       // Tag 2: day of month
    QString StepUnit;  // Tag 3: " " + [TodayPanel] 0, placed right after the Tag 0 label
    QString Percent;   // Tag 4: share of the day's target
};

constexpr int DayPanelSlots = 7;
constexpr int SelectedSlot = 3;

// Everything the TODAY view writes into its labels; the view only places them.
struct TodayTexts {
    DisplayDate Selected;
    QString DayText;     // DayLabel
    QString DaySuffix;   // DaySuffixLabel
    QString DateText;    // DateLabel: "Jul 2010"

    QString Steps;         // StepEdit
    QString Distance;      // DistanceEdit
    QString Calories;      // CaloriesEdit
    QString WalkingTime;   // WalkingTimeEdit
    QString TotalSteps;    // TotalStepEdit: the pedometer's own total
    QString TargetSteps;   // TargetStepEdit
    QString TargetPercent; // TotalPanelTargetSteppercentumLabel
    QString ModerateSteps; // ModerateStepsEdit
    QString ModerateTime;  // ModerateTimeEdit

    // Slot k shows the selected date + 3 - k, so slot 3 is the selected date itself.
    std::array<DayPanelTexts, DayPanelSlots> Slots;
};

// The date of slot k (0-6) around the selected date.
QDate SlotDate(const QDate& selected, int slot);

// The texts of the day panel that shows date: zeros without a record (or when the records could not be
// loaded), the first record of the date otherwise. The spare panel of the wheel uses them too.
DayPanelTexts ComputeDayPanelTexts(const DayRecordList& records, bool recordsLoaded, const QDate& date,
                                   const TSoftInfo& catalog);

// The TODAY figures for the selected date from the user's records (first record of a date wins) and the
// pedometer's memory image. recordsLoaded false (activity file missing or damaged) gives zeros
// everywhere, the device total included; the date texts are filled either way.
TodayTexts ComputeTodayTexts(const DayRecordList& records, bool recordsLoaded, const MemoryImage& downloadBlock,
                             const QDate& selected, bool metric, const TSoftInfo& catalog);

// The pedometer's step total grouped in thousands; "0" before any download.
QString DeviceTotalText(const MemoryImage& downloadBlock);

// The message for an activity file that is missing or damaged: its path, a line break and [Info] 4.
QString ActivityFileMissingText(const QString& path, const TSoftInfo& catalog);
