#pragma once

#include <cstdint>
#include <vector>

#include "audio/OutputStream.h"
#include "audio/StreamEngine.h"
#include "audio/VirtualWaveOut.h"
#include "synth/Renderer.h"
#include "tests/render/ReferenceRenderer.h"

namespace tonquelle::testing {

// A stream on a virtual device: 8000 Hz, 10 ms buffers (80 frames), `channels` channels.
inline void Configure(OutputStream& stream, VirtualWaveOutDriver& driver, std::int32_t channels = 2,
                      std::int32_t resolution = 16) {
    stream.Driver = &driver;
    stream.Config.OutputDevice = -1;
    stream.Config.SampleRate = 8000;
    stream.Config.Resolution = resolution;
    stream.Config.BufferLength = 10;
    stream.Config.ChannelMask = (1 << channels) - 1;
    stream.Config.ChannelCount = channels;
}

// Audible settings that differ per channel.
inline ChannelSettings Audible(std::int32_t channel) {
    ChannelSettings s;
    s.Flags = 0;
    s.Waveform = channel % 5;
    s.Frequency = 300.0 + 110.0 * channel;
    s.Amplitude = 0.8;
    s.PhaseShift = 0.3 * channel;
    return s;
}

// Sets every channel in use to Audible(c) and publishes them, as the start command does.
inline std::vector<reference::Channel> PublishAudible(OutputStream& stream) {
    std::vector<reference::Channel> channels;
    for (std::int32_t c = 0; c < stream.Config.ChannelCount; ++c) {
        stream.Channels[c].EditSettings = Audible(c);
        channels.push_back({Audible(c), nullptr, nullptr});
    }
    PublishChannel(stream, -1);
    return channels;
}

inline std::int32_t FramesPerBuffer(const OutputStream& stream) {
    return stream.Config.SampleRate * stream.Config.BufferLength / 1000;
}

}  // namespace tonquelle::testing
