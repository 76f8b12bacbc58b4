#pragma once

#include <array>
#include <cstdint>

#include "records/OutputConfig.h"

namespace tonquelle {

// A WAVE_FORMAT_EXTENSIBLE header: RIFF chunk head, a 40-byte "fmt " chunk and the "data" chunk
// head. The samples follow it directly, in exactly the layout the renderer writes.
inline constexpr std::uint32_t WaveHeaderBytes = 68;

// The largest sample data a WAV file can describe: its 32-bit RIFF size counts the header's
// 60 bytes after the size field and a pad byte after odd-sized data.
inline constexpr std::uint64_t MaxWaveDataBytes = 0xFFFFFFFFull - 60 - 1;

// The header for `dataBytes` bytes of interleaved integer PCM in the layout of `config`
// (SampleRate, Resolution, ChannelMask, ChannelCount): block alignment ChannelCount ·
// Resolution / 8, valid bits = Resolution, PCM sub-format. The caller keeps dataBytes at or
// below MaxWaveDataBytes and the byte rate within 32 bits.
std::array<std::uint8_t, WaveHeaderBytes> MakeWaveHeader(const OutputConfig& config,
                                                         std::uint32_t dataBytes);

// RIFF chunks have even sizes: odd-sized data is followed by one zero byte.
inline constexpr std::uint32_t WavePadBytes(std::uint32_t dataBytes) {
    return dataBytes & 1u;
}

}  // namespace tonquelle
