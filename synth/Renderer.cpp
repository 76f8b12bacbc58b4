#include "synth/Renderer.h"

#include <algorithm>
#include <array>
#include <mutex>
#include <optional>

#include "synth/FastChannelRenderer.h"
#include "synth/SoftTransition.h"

namespace tonquelle {

namespace {

// The channels in use, limited to the channel blocks that exist.
std::int32_t ChannelsInUse(const OutputStream& stream) {
    return std::clamp(stream.Config.ChannelCount, 0, MaxChannels);
}

}  // namespace

void PublishChannel(OutputStream& stream, std::int32_t channel) {
    std::int32_t first = channel;
    std::int32_t last = channel;
    if (channel == -1) {
        first = 0;
        last = ChannelsInUse(stream) - 1;
    } else if (channel < 0 || channel >= MaxChannels) {
        return;
    }
    std::lock_guard lock(stream.SettingsLock);
    for (std::int32_t c = first; c <= last; ++c) {
        ChannelState& state = stream.Channels[c];
        state.PendingSettings = state.EditSettings;
    }
}

void RenderBuffer(OutputStream& stream, std::uint8_t* buffer) {
    const std::int32_t channels = ChannelsInUse(stream);
    // Keeps what the previous buffer played; replaced live tables go there and are freed after
    // the buffer is rendered, outside the lock.
    SoftTransition transition(stream);
    {
        std::lock_guard lock(stream.SettingsLock);
        for (std::int32_t c = 0; c < channels; ++c) {
            ChannelState& state = stream.Channels[c];
            state.LiveSettings = state.PendingSettings;
            for (std::int32_t s = 0; s < WaveformSlotCount; ++s) {
                WaveformTable& pending = state.PendingWaveforms[s];
                if (pending.Empty()) {
                    continue;
                }
                WaveformTable& live = state.LiveWaveforms[s];
                transition.Retire(c, s, std::move(live));
                live = std::move(pending);
                pending = WaveformTable{};
            }
        }
    }

    const std::int32_t frames = std::max(stream.BufferFrames, 0);
    const std::int32_t resolution = stream.Config.Resolution;
    const std::int32_t sampleBytes = resolution / 8;
    const std::int32_t frameBytes = channels * sampleBytes;
    // Block by block: each block's time base is computed once for all channels, then every
    // channel's samples of the block go into their slots of the interleaved frames.
    std::array<std::optional<FastChannelRenderer>, MaxChannels> renderers;
    for (std::int32_t c = 0; c < channels; ++c) {
        const ChannelState& state = stream.Channels[c];
        renderers[c].emplace(state.LiveSettings, state.LiveWaveforms, resolution);
    }
    double times[RenderBlockFrames];
    for (std::int32_t first = 0; first < frames; first += RenderBlockFrames) {
        const std::int32_t count = std::min(RenderBlockFrames, frames - first);
        BlockTimes(stream.FrameCounter + first, stream.Config.SampleRate, count, times);
        std::uint8_t* blockStart = buffer + static_cast<std::ptrdiff_t>(first) * frameBytes;
        for (std::int32_t c = 0; c < channels; ++c) {
            renderers[c]->Render(times, count, blockStart + c * sampleBytes, frameBytes);
        }
    }
    transition.Apply(stream, buffer);
    stream.FrameCounter += frames;
}

}  // namespace tonquelle
