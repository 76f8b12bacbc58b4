#pragma once

#include <cstdint>

namespace tonquelle {

// Clips `value` to -1..+1 (NaN counts as 0), writes its integer PCM code for `resolution`
// (8 bits unsigned, 16/24/32 bits signed little-endian) at `cursor` and advances `cursor` by
// resolution / 8 bytes.
void StoreSample(double value, std::uint8_t*& cursor, std::int32_t resolution);

}  // namespace tonquelle
