#pragma once

#include <cstdint>

namespace tonquelle {

// The stream's channels, and the user waveform slots of each channel.
inline constexpr std::int32_t MaxChannels = 8;
inline constexpr std::int32_t WaveformSlotCount = 3;
inline constexpr std::int32_t WaveformSlotCarrier = 0;
inline constexpr std::int32_t WaveformSlotFM = 1;  // handed over like the others, never played
inline constexpr std::int32_t WaveformSlotAM = 2;

}  // namespace tonquelle
