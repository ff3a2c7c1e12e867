#pragma once

#include <array>
#include <cstdint>

constexpr int ReportSize = 9;
// One HID report to or from the pedometer. Byte 0 is the report id (always 0), bytes 1-8 carry data.
using Report = std::array<uint8_t, ReportSize>;
