#include "synth/Renderer.h"

#include <algorithm>
#include <array>
#include <mutex>

#include "synth/BlockRenderer.h"
#include "synth/SoftTransition.h"

namespace tonquelle {

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

    // Every channel's samples go into the buffer first; then the soft transition rewrites the
    // first frames of the channels that changed, before the counter moves on.
    const std::int32_t frames = std::max(stream.BufferFrames, 0);
    RenderFrames(stream, stream.FrameCounter, frames, buffer, ChosenKernels());
    transition.Apply(stream, buffer);
    stream.FrameCounter += frames;
}

}  // namespace tonquelle
