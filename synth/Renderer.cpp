#include "synth/Renderer.h"

#include <algorithm>
#include <array>
#include <mutex>

#include "synth/SampleEncoding.h"
#include "synth/WaveShapes.h"

namespace tonquelle {

namespace {

// A channel's tables as the renderer reads them: the live slots.
using ChannelTables = std::array<WaveformTable, WaveformSlotCount>;

// The channels in use, limited to the channel blocks that exist.
std::int32_t ChannelsInUse(const OutputStream& stream) {
    return std::clamp(stream.Config.ChannelCount, 0, MaxChannels);
}

// The carrier or amplitude-modulation shape `index` at phase x; `table` is the user shape's.
// An index outside the known shapes gives 0 (silence, or the constant mean factor for AM).
double ShapeValue(std::int32_t index, double x, const WaveformTable& table) {
    switch (index) {
        case WaveformIndex::Sine:
            return WaveSine(x);
        case WaveformIndex::Triangle:
            return WaveTriangle(x);
        case WaveformIndex::SawFalling:
            return WaveSawFalling(x);
        case WaveformIndex::SawRising:
            return WaveSawRising(x);
        case WaveformIndex::Square:
            return WaveSquare(x);
        case WaveformIndex::User:
            return WaveUser(x, table);
        default:
            return 0.0;
    }
}

// The phase integral of the frequency-modulation shape `index` at x; the user shape and unknown
// indices give no deviation.
double ShapeIntegral(std::int32_t index, double x) {
    switch (index) {
        case WaveformIndex::Sine:
            return IntegralSine(x);
        case WaveformIndex::Triangle:
            return IntegralTriangle(x);
        case WaveformIndex::SawFalling:
            return IntegralSawFalling(x);
        case WaveformIndex::SawRising:
            return IntegralSawRising(x);
        case WaveformIndex::Square:
            return IntegralSquare(x);
        default:
            return 0.0;
    }
}

// The carrier phase in radians at time t (seconds). The operations run in the order the
// values are defined in, so that every double comes out the same on every build.
double CarrierPhase(const ChannelSettings& s, double t) {
    if ((s.Flags & FlagFM) == 0) {
        return s.Frequency * TwoPi * t + s.PhaseShift;
    }
    double phi = t * TwoPi * (s.FMMaxFreq + s.FMMinFreq) / 2 + s.PhaseShift;
    if (s.FMFrequency != 0.0) {
        const double x = s.FMFrequency * TwoPi * t;
        const double d = ShapeIntegral(s.FMWaveform, x) / (s.FMFrequency * TwoPi);
        phi = phi + d * TwoPi * (s.FMMaxFreq - s.FMMinFreq) / 2;
    }
    return phi;
}

double AmplitudeFactor(const ChannelSettings& s, const WaveformTable& amTable, double t) {
    if ((s.Flags & FlagAM) == 0) {
        return s.Amplitude;
    }
    const double y = s.AMFrequency * TwoPi * t;
    const double m = ShapeValue(s.AMWaveform, y, amTable);
    return m * (s.AMMaxAmp - s.AMMinAmp) / 2 + (s.AMMaxAmp + s.AMMinAmp) / 2;
}

// The value of one channel at time t: a pure function of its settings, its live tables and t.
double ChannelValue(const ChannelSettings& s, const ChannelTables& tables, double t) {
    if ((s.Flags & FlagMute) != 0) {
        return 0.0;
    }
    const double phi = CarrierPhase(s, t);
    const double a = AmplitudeFactor(s, tables[WaveformSlotAM], t);
    return ShapeValue(s.Waveform, phi, tables[WaveformSlotCarrier]) * a;
}

// Renders `frames` frames of one channel, starting at frame `firstFrame` of the time base, into
// the channel's sample slots: the first at `out`, each following one `frameBytes` further. The
// channels of a frame are independent, so they can be rendered one after the other.
void RenderChannel(const ChannelSettings& s, const ChannelTables& tables, std::int64_t firstFrame,
                   std::int32_t sampleRate, std::int32_t frames, std::int32_t resolution,
                   std::uint8_t* out, std::int32_t frameBytes) {
    const double rate = static_cast<double>(sampleRate);
    for (std::int32_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(firstFrame + i) / rate;
        std::uint8_t* cursor = out + static_cast<std::ptrdiff_t>(i) * frameBytes;
        StoreSample(ChannelValue(s, tables, t), cursor, resolution);
    }
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
    // Replaced live tables are collected here and freed after the lock is released.
    std::array<WaveformTable, MaxChannels * WaveformSlotCount> replaced;
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
                replaced[c * WaveformSlotCount + s] = std::move(live);
                live = std::move(pending);
                pending = WaveformTable{};
            }
        }
    }

    const std::int32_t frames = std::max(stream.BufferFrames, 0);
    const std::int32_t resolution = stream.Config.Resolution;
    const std::int32_t sampleBytes = resolution / 8;
    const std::int32_t frameBytes = channels * sampleBytes;
    for (std::int32_t c = 0; c < channels; ++c) {
        const ChannelState& state = stream.Channels[c];
        RenderChannel(state.LiveSettings, state.LiveWaveforms, stream.FrameCounter,
                      stream.Config.SampleRate, frames, resolution, buffer + c * sampleBytes,
                      frameBytes);
    }
    stream.FrameCounter += frames;
}

}  // namespace tonquelle
