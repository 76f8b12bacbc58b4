#include "synth/SoftTransition.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "synth/SampleEncoding.h"

namespace tonquelle {

namespace {

// The value as the listener hears it: clipped to full scale, NaN as silence (StoreSample's
// codes). Fading between these never steps further than the two signals themselves.
double HeardValue(double value) {
    return std::isnan(value) ? 0.0 : std::clamp(value, -1.0, 1.0);
}

}  // namespace

std::int32_t SoftTransitionFrames(std::int32_t sampleRate, std::int32_t bufferFrames) {
    return std::min(std::max(sampleRate / 100, 1), std::max(bufferFrames, 0));
}

void SetSoftTransitions(OutputStream& stream, bool on) {
    stream.Config.SoftTransitions = on ? 1 : 0;
    stream.SoftTransitions.store(on, std::memory_order_relaxed);
}

SoftTransition::SoftTransition(const OutputStream& stream)
    : on_(stream.SoftTransitions.load(std::memory_order_relaxed)),
      channels_(std::clamp(stream.Config.ChannelCount, 0, MaxChannels)) {
    for (std::int32_t c = 0; on_ && c < channels_; ++c) {
        previous_[c] = stream.Channels[c].LiveSettings;
    }
}

void SoftTransition::Retire(std::int32_t channel, std::int32_t slot, WaveformTable&& table) {
    retired_[channel][slot] = std::move(table);
    replaced_[channel][slot] = true;
}

bool SoftTransition::Changed(const ChannelState& state, std::int32_t channel) const {
    return previous_[channel] != state.LiveSettings ||
           std::ranges::any_of(replaced_[channel], [](bool replaced) { return replaced; });
}

const WaveformTable& SoftTransition::OldTable(const ChannelState& state, std::int32_t channel,
                                              std::int32_t slot) const {
    return replaced_[channel][slot] ? retired_[channel][slot] : state.LiveWaveforms[slot];
}

void SoftTransition::Apply(const OutputStream& stream, std::uint8_t* buffer) const {
    if (!on_) {
        return;
    }
    const std::int32_t frames = SoftTransitionFrames(stream.Config.SampleRate, stream.BufferFrames);
    for (std::int32_t c = 0; c < channels_; ++c) {
        if (Changed(stream.Channels[c], c)) {
            Crossfade(stream, c, frames, buffer);
        }
    }
}

void SoftTransition::Crossfade(const OutputStream& stream, std::int32_t channel,
                               std::int32_t frames, std::uint8_t* buffer) const {
    const ChannelState& state = stream.Channels[channel];
    const ChannelSettings& old = previous_[channel];
    const WaveformTable& oldCarrier = OldTable(state, channel, WaveformSlotCarrier);
    const WaveformTable& oldAM = OldTable(state, channel, WaveformSlotAM);
    const std::int32_t resolution = stream.Config.Resolution;
    const std::int32_t sampleBytes = resolution / 8;
    const std::int32_t frameBytes = channels_ * sampleBytes;
    // A logarithmic sweep's constants once for the crossfade, not once per value.
    const LogSweepShape oldSweep = MakeLogSweepShape(old);
    const LogSweepShape newSweep = MakeLogSweepShape(state.LiveSettings);
    for (std::int32_t i = 0; i < frames; ++i) {
        // The renderer's time base: the frame number divided by the rate.
        const std::int64_t frame = stream.FrameCounter + i;
        const SamplePoint point{channel, frame,
                                static_cast<double>(frame) / stream.Config.SampleRate};
        const double oldValue = HeardValue(ChannelValue(old, oldCarrier, oldAM, point, &oldSweep));
        const double newValue =
            HeardValue(ChannelValue(state.LiveSettings, state.LiveWaveforms[WaveformSlotCarrier],
                                    state.LiveWaveforms[WaveformSlotAM], point, &newSweep));
        // Raised cosine: the old signal's weight falls from 1 at the buffer's first frame towards
        // 0; where the two signals agree the sum is exactly the new value.
        const double oldWeight = 0.5 + 0.5 * std::cos(std::numbers::pi * i / frames);
        std::uint8_t* cursor =
            buffer + static_cast<std::ptrdiff_t>(i) * frameBytes + channel * sampleBytes;
        StoreSample(newValue + (oldValue - newValue) * oldWeight, cursor, resolution);
    }
}

}  // namespace tonquelle
