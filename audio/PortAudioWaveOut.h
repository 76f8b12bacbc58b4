#pragma once

#include <cstdint>
#include <memory>

#include "audio/WaveOut.h"

namespace tonquelle {

// The PortAudio device layer: -1 is PortAudio's default output, then every device with output
// channels in PortAudio's order. Streams take the format exactly (no clipping, no dithering);
// on Windows the ChannelMask travels to WASAPI or MME. Null when PortAudio cannot start.
std::unique_ptr<WaveOutDriver> CreatePortAudioWaveOutDriver();

// How often an open PortAudio device found its queue empty while playing and filled the gap
// with silence; 0 for any other device.
std::uint64_t PortAudioUnderruns(const WaveOut& device);

}  // namespace tonquelle
