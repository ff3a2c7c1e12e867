#pragma once

#include "protocol/download_result.h"

#include <cstdint>

// Who started an exchange. Automatic: the loading worker's repetition, and an exchange a window starts
// by itself. Their messages are shown once per failing streak: the first failure's first message only,
// until an exchange succeeds. A user's exchange shows all of its messages, and once it has told of a
// failure the streak counts as told.
enum class ExchangeStart { ByUser, Automatic };

// The pedometer as the profile workflows use it: the two command exchanges and whether it is there.
// Each exchange shows its own failure messages and returns at once when no pedometer is connected.
class PedometerPort {
public:
    virtual ~PedometerPort() = default;

    // Reads the whole memory; adopt the result only when Complete.
    virtual DownloadResult DownloadDeviceData(ExchangeStart start = ExchangeStart::ByUser) = 0;
    // Writes the unit flag, step length (cm or inch), weight (kg or lb), step target and the clock.
    // True on success. A unit flag other than the pedometer's clears its day blocks and step total.
    virtual bool SendProfileAndClock(bool metric, uint16_t steplength, uint16_t weight, uint32_t targetSteps) = 0;
    virtual bool Connected() const = 0;

protected:
    PedometerPort() = default;
    PedometerPort(const PedometerPort&) = default;
    PedometerPort& operator=(const PedometerPort&) = default;
};
