#pragma once

#include <cstdint>
#include <vector>

// One day of one user; 32 bytes, the same field order in memory and (little-endian) in the activity file.
struct TBINFile {
    uint32_t Date = 0;        // date key: year*10000 + month*100 + day
    uint32_t Steps = 0;
    uint32_t Distance = 0;    // hundredths of a km (metric pedometer) or of a mile (imperial)
    uint32_t Calories = 0;    // tenths of a kcal
    uint32_t WalkingTime = 0; // minutes
    uint32_t CardioSteps = 0;
    uint32_t CardioTime = 0;  // minutes
    uint32_t TargetSteps = 0; // 0 when no target is known

    bool operator==(const TBINFile& o) const
    {
        return Date == o.Date && Steps == o.Steps && Distance == o.Distance && Calories == o.Calories
            && WalkingTime == o.WalkingTime && CardioSteps == o.CardioSteps && CardioTime == o.CardioTime
            && TargetSteps == o.TargetSteps;
    }
    bool operator!=(const TBINFile& o) const { return !(*this == o); }
};

// A user's day records in file order (the order they were added; never sorted on disk).
using DayRecordList = std::vector<TBINFile>;
