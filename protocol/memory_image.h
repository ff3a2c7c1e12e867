#pragma once

#include <array>
#include <cstdint>

// The pedometer's first 100 memory bytes as downloaded: byte 0 (status) raw, every other byte decoded
// from packed BCD (a valid BCD byte becomes 0-99, an invalid one up to 165).
using MemoryImage = std::array<uint8_t, 100>;

constexpr int MemoryImageSize = 100;
constexpr int DaysInMemory = 8;          // today and the seven days before
constexpr uint8_t StatusReady = 0xF2;    // the handshake also accepts StatusReadyAlt
constexpr uint8_t StatusReadyAlt = 0xF4;
constexpr uint8_t StatusBusy = 0xF3;

// (x / 16) * 10 + x % 16: the nibbles read as decimal digits, without checking them.
uint8_t DecodeBcd(uint8_t raw);
// value % 100 as two BCD digits.
uint8_t EncodeBcd(int value);

// The four 5-digit figures of one day block.
struct DayBlockValues {
    uint32_t Steps = 0;
    uint32_t Calories = 0;    // tenths of a kcal
    uint32_t Distance = 0;    // hundredths of a km or mile
    uint32_t WalkingTime = 0; // minutes

    bool operator==(const DayBlockValues& o) const
    {
        return Steps == o.Steps && Calories == o.Calories && Distance == o.Distance && WalkingTime == o.WalkingTime;
    }
};

// The image a complete download makes of the raw memory bytes: byte 0 as it is, the rest decoded.
MemoryImage DecodeMemory(const std::array<uint8_t, MemoryImageSize>& raw);

// First byte of the day block daysBefore days before today (0 = today, at 10; i >= 1 at 20 + 10 i).
int DayBlockOffset(int daysBefore);
DayBlockValues DecodeDayBlock(const MemoryImage& image, int daysBefore);
// The ten raw memory bytes of a day block: 20 BCD digits, least significant first. Figures above
// 99999 keep their last five digits.
std::array<uint8_t, 10> EncodeDayBlockRaw(const DayBlockValues& values);

// The pedometer's own step total, a 5-digit number at bytes 20-22.
uint32_t DeviceStepTotal(const MemoryImage& image);

// The profile last written into the pedometer (memory bytes 1-9).
struct ProfileValues {
    bool Metric = false;
    uint16_t Steplength = 0; // cm or inch
    uint16_t Weight = 0;     // kg or lb
    uint32_t TargetSteps = 0;
};
ProfileValues DecodeProfileValues(const MemoryImage& image);

constexpr int ProfileBlockSize = 9;
constexpr uint32_t MaxPackedSteplength = 999;
constexpr uint32_t MaxPackedWeight = 999;
constexpr uint32_t MaxPackedTarget = 99999;

// The 9 raw bytes written to memory addresses 1-9: unit byte (0x05 metric, 0x04 imperial), then 16 BCD
// digits, each byte's low nibble first. Values beyond what the digits hold are clamped to the largest
// that fits, so an oversized value never spills into its neighbours.
std::array<uint8_t, ProfileBlockSize> BuildProfileBlock(bool metric, uint16_t steplength, uint16_t weight,
                                                        uint32_t target, int hour, int minute);
