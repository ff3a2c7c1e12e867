#pragma once

#include "emulator/pedometer_faults.h"
#include "emulator/pedometer_history.h"
#include "protocol/memory_image.h"
#include "protocol/report.h"

#include <QByteArray>
#include <QMutex>

#include <array>
#include <cstdint>
#include <random>
#include <vector>

constexpr int DeviceMemorySize = 100;
// The device's memory as it holds it: every byte packed BCD except byte 0, the raw status.
using RawMemory = std::array<uint8_t, DeviceMemorySize>;

// What the device does with one output report: messages to send to every open handle, in order
// (answers are 9-byte reports; with the garbage or wrong-length faults other messages come first),
// and whether it leaves the bus right after taking the report.
struct PedometerReply {
    std::vector<QByteArray> messages;
    bool vanish = false;
};

// The pedometer's memory and its answers to the five commands (protocol/pedometer_protocol.h), without
// any I/O. Thread-safe.
//
// A report that is none of the five is not answered. The status byte (memory byte 0) is 0xF4 when ready; each handshake
// sets it, to 0xF3 while the busy fault lasts. Writes never touch byte 0 nor go past byte 99. A write
// that flips the unit flag (bit 0 of byte 1) clears the day blocks and the step total, as the device
// does when its unit system changes.
class PedometerModel {
public:
    // Metric, step length 70 cm, weight 65 kg, target 10000 steps, clock 12:00, no activity, ready.
    PedometerModel();

    void setFaults(const PedometerFaults& faults);
    PedometerFaults faults() const;

    void setHistory(const PedometerHistory& history);
    PedometerHistory history() const;

    void setProfile(bool metric, uint16_t steplength, uint16_t weight, uint32_t target, int hour, int minute);
    ProfileValues profile() const;

    // The status a ready device reports (0xF4; 0xF2 is also seen by the handshake as ready).
    void setReadyStatus(uint8_t status);

    RawMemory rawMemory() const;
    // The memory as a complete download decodes it.
    MemoryImage memoryImage() const;

    PedometerReply handleOutputReport(const Report& report);
    // Output reports taken so far (the count the drop and vanish faults refer to).
    int outputReportCount() const;

private:
    void writeMemory(int address, const uint8_t* bytes, int count);

    mutable QMutex mutex_;
    RawMemory memory_{};
    PedometerFaults faults_;
    uint8_t readyStatus_ = StatusReadyAlt;
    int setAddress_ = 1;
    int outputReports_ = 0;
    int handshakes_ = 0;
    std::minstd_rand noise_{12345};
    int wrongLengthTurn_ = 0;
};
