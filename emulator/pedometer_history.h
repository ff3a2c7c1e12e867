#pragma once

#include "protocol/memory_image.h"

#include <QString>

#include <array>
#include <cstdint>

// What the pedometer remembers of the past: today, the seven days before and its step total.
struct PedometerHistory {
    std::array<DayBlockValues, DaysInMemory> days{}; // index = days before today
    uint32_t stepTotal = 0;                           // 0 … 99999
};

struct HistoryResult {
    bool ok = false;
    QString error; // names the line when the text is at fault
    PedometerHistory history;
};

// Plausible days from a seed, the same for the same arguments: 0 … 25000 steps a day (today only part
// of a day), distance from the step length, calories from the weight, about 100 steps a minute. Units
// follow the unit system: distance in hundredths of a km (cm step length) or of a mile (inch step
// length), weight in kg or lb. The step total is the sum of the eight days, cut to five digits.
PedometerHistory GenerateHistory(uint32_t seed, bool metric, uint16_t steplength, uint16_t weight);

// History text, one day a line:
//     days_before steps distance calories minutes
// days_before 0 (today) … 7; distance in hundredths of a km or mile, calories in tenths of a kcal,
// minutes of walking; each figure 0 … 99999. An optional line "total N" sets the step total; without
// it the total is the sum of the days, cut to five digits. Days not listed are empty. Blank lines and
// lines starting with '#' are ignored. Any other line, a repeated day or a figure out of range is an
// error naming the line.
HistoryResult ParseHistory(const QString& text);
HistoryResult LoadHistoryFile(const QString& path);
