#pragma once

#include "catalog/soft_info.h"

#include <QString>

#include <cstdint>

// Figures on screen: whole numbers grouped in thousands with ","; decimals built from integer digits;
// the [Units] text follows the number without a space.

// 1234567 gives "1,234,567". Takes 64 bits so that sums over many records can be shown too.
QString FormatThousands(uint64_t value);

// Distance in hundredths of a km (metric) or of a mile: 123456 gives "1,234.56km".
QString DistanceText(uint32_t hundredths, bool metric, const TSoftInfo& catalog);
// Calories in tenths of a kcal: 12345 gives "1,234.5Kcal".
QString CaloriesText(uint32_t tenths, const TSoftInfo& catalog);
// Minutes with the "min" unit: 1500 gives "1,500min".
QString MinutesText(uint32_t minutes, const TSoftInfo& catalog);

// Share of the day's step target reached, 0-100: 0 without a target, at least 1 once a step counts,
// at most 100. Exact integer arithmetic for every 32-bit count.
int TargetPercent(uint32_t steps, uint32_t target);
// "57%"; "0%" without a target.
QString TargetPercentText(uint32_t steps, uint32_t target);
