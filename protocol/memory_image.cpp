#include "protocol/memory_image.h"

#include <algorithm>

uint8_t DecodeBcd(uint8_t raw)
{
    return static_cast<uint8_t>((raw / 16) * 10 + raw % 16);
}

uint8_t EncodeBcd(int value)
{
    const int v = ((value % 100) + 100) % 100;
    return static_cast<uint8_t>((v / 10) << 4 | (v % 10));
}

MemoryImage DecodeMemory(const std::array<uint8_t, MemoryImageSize>& raw)
{
    MemoryImage image{};
    image[0] = raw[0];
    for (int i = 1; i < MemoryImageSize; ++i)
        image[size_t(i)] = DecodeBcd(raw[size_t(i)]);
    return image;
}

int DayBlockOffset(int daysBefore)
{
    return daysBefore == 0 ? 10 : 20 + 10 * daysBefore;
}

DayBlockValues DecodeDayBlock(const MemoryImage& image, int daysBefore)
{
    const int b = DayBlockOffset(daysBefore);
    auto at = [&](int i) -> uint32_t { return image[b + i]; };
    DayBlockValues v;
    v.Steps = (at(2) % 10) * 10000 + at(1) * 100 + at(0);
    v.Calories = at(4) * 1000 + at(3) * 10 + at(2) / 10;
    v.Distance = (at(7) % 10) * 10000 + at(6) * 100 + at(5);
    v.WalkingTime = at(9) * 1000 + at(8) * 10 + at(7) / 10;
    return v;
}

std::array<uint8_t, 10> EncodeDayBlockRaw(const DayBlockValues& values)
{
    std::array<uint8_t, 20> digits{};
    const uint32_t figures[4] = {values.Steps, values.Calories, values.Distance, values.WalkingTime};
    for (int f = 0; f < 4; ++f) {
        uint32_t n = figures[f];
        for (int d = 0; d < 5; ++d, n /= 10)
            digits[f * 5 + d] = static_cast<uint8_t>(n % 10);
    }
    std::array<uint8_t, 10> raw{};
    for (int i = 0; i < 10; ++i)
        raw[i] = static_cast<uint8_t>(digits[2 * i] | digits[2 * i + 1] << 4);
    return raw;
}

uint32_t DeviceStepTotal(const MemoryImage& image)
{
    return (image[22] % 10) * 10000u + image[21] * 100u + image[20];
}

ProfileValues DecodeProfileValues(const MemoryImage& image)
{
    ProfileValues p;
    p.Metric = image[1] & 1;
    p.Steplength = static_cast<uint16_t>((image[3] % 10) * 100 + image[2]);
    p.Weight = static_cast<uint16_t>(image[4] * 10 + image[3] / 10);
    p.TargetSteps = (image[7] % 10) * 10000u + image[6] * 100u + image[5];
    return p;
}

std::array<uint8_t, ProfileBlockSize> BuildProfileBlock(bool metric, uint16_t steplength, uint16_t weight,
                                                        uint32_t target, int hour, int minute)
{
    const uint32_t p = std::min<uint32_t>(steplength, MaxPackedSteplength);
    const uint32_t q = std::min<uint32_t>(weight, MaxPackedWeight);
    const uint32_t r = std::min<uint32_t>(target, MaxPackedTarget);
    const uint32_t h = static_cast<uint32_t>(std::clamp(hour, 0, 23));
    const uint32_t m = static_cast<uint32_t>(std::clamp(minute, 0, 59));
    auto pack = [](uint32_t low, uint32_t high) { return static_cast<uint8_t>((low % 10) | (high % 10) << 4); };
    return {
        static_cast<uint8_t>(metric ? 0x05 : 0x04),
        pack(p, p / 10),
        pack(p / 100, q),
        pack(q / 10, q / 100),
        pack(r, r / 10),
        pack(r / 100, r / 1000),
        pack(r / 10000, m),
        pack(m / 10, h),
        pack(h / 10, 0),
    };
}
