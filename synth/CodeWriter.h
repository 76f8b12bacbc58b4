#pragma once

#include <cstdint>

#include "synth/BlockPlan.h"

namespace tonquelle {

// One channel's codes of a block, as the block kernels produce them.
using ChannelCodes = std::int32_t[RenderBlockFrames];

// Writes `frames` interleaved frames of `channels` channels from their codes, starting at code
// `first`: for each frame, channel 0 first, the low `sampleBytes` bytes of each code,
// little-endian (StoreSample's layout).
void WriteInterleaved(const ChannelCodes* codes, std::int32_t channels, std::int32_t frames,
                      std::int32_t sampleBytes, std::uint8_t* out, std::int32_t first = 0);

}  // namespace tonquelle
