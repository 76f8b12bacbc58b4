#pragma once

// An independent statement of how channel settings become PCM bytes, written for the tests
// straight from the formulas: one frame after the other, within a frame channel 0 first, each
// value computed in the formulas' order of operations. It shares nothing with the renderer but
// the shapes and the sample encoding, which have their own tests. Prepare and RenderNext set up
// and drive the real renderer with the same channels, for the tests that compare the two.

#include <algorithm>
#include <cstdint>
#include <vector>

#include "audio/OutputStream.h"
#include "synth/Renderer.h"
#include "synth/SampleEncoding.h"
#include "synth/WaveShapes.h"

namespace tonquelle::reference {

// A user table holding `points`.
inline WaveformTable Table(const std::vector<double>& points) {
    WaveformTable table{std::make_unique<double[]>(points.size()),
                        static_cast<std::int32_t>(points.size())};
    std::ranges::copy(points, table.Points.get());
    return table;
}
inline const WaveformTable NoTable;

struct Channel {
    ChannelSettings Settings;
    const WaveformTable* Carrier = &NoTable;  // slot 0
    const WaveformTable* AM = &NoTable;       // slot 2
};

// Four channels of every kind: a shifted sine, a triangle with sine FM and square AM, the user
// shape beyond full scale, and a muted channel.
inline std::vector<Channel> Varied(const WaveformTable& user = NoTable) {
    return {{{.Flags = 0, .PhaseShift = 0.5, .Frequency = 1000, .Amplitude = 0.8}},
            {{.Flags = FlagFM | FlagAM, .Waveform = 1, .AMWaveform = 4}},
            {{.Flags = 0, .Waveform = WaveformIndex::User, .Amplitude = 1.2}, &user},
            {{.Flags = FlagMute}}};
}

// Shape `index` at x, or with `integral` its integral from 0 (none for the user shape); indices
// outside 0..5 give 0.
inline double Shape(std::int32_t index, double x, const WaveformTable& table,
                    bool integral = false) {
    constexpr double (*shapes[2][5])(double) = {
        {WaveSine, WaveTriangle, WaveSawFalling, WaveSawRising, WaveSquare},
        {IntegralSine, IntegralTriangle, IntegralSawFalling, IntegralSawRising, IntegralSquare}};
    return index == WaveformIndex::User && !integral ? WaveUser(x, table)
           : index >= 0 && index < 5                 ? shapes[integral][index](x)
                                                     : 0.0;
}

inline double Value(const Channel& channel, double t) {
    const ChannelSettings& s = channel.Settings;
    double phi = s.Frequency * TwoPi * t + s.PhaseShift;
    if (s.Flags & FlagFM) {
        phi = t * TwoPi * (s.FMMaxFreq + s.FMMinFreq) / 2 + s.PhaseShift;
        if (s.FMFrequency != 0.0) {
            const double d = Shape(s.FMWaveform, s.FMFrequency * TwoPi * t, NoTable, true) /
                             (s.FMFrequency * TwoPi);
            phi = phi + d * TwoPi * (s.FMMaxFreq - s.FMMinFreq) / 2;
        }
    }
    double a = s.Amplitude;
    if (s.Flags & FlagAM) {
        const double m = Shape(s.AMWaveform, s.AMFrequency * TwoPi * t, *channel.AM);
        a = m * (s.AMMaxAmp - s.AMMinAmp) / 2 + (s.AMMaxAmp + s.AMMinAmp) / 2;
    }
    return (s.Flags & FlagMute) ? 0.0 : Shape(s.Waveform, phi, *channel.Carrier) * a;
}

// `frames` frames starting at frame `firstFrame` of the time base.
inline std::vector<std::uint8_t> Render(const std::vector<Channel>& channels,
                                        std::int64_t firstFrame, std::int32_t frames,
                                        std::int32_t sampleRate, std::int32_t resolution) {
    std::vector<std::uint8_t> bytes(frames * channels.size() * (resolution / 8));
    std::uint8_t* cursor = bytes.data();
    for (std::int64_t counter = firstFrame; counter < firstFrame + frames; ++counter)
        for (const Channel& channel : channels)
            StoreSample(Value(channel, static_cast<double>(counter) / sampleRate), cursor,
                        resolution);
    return bytes;
}

// The signed code of the `sampleBytes`-byte little-endian sample at `bytes`: its last byte
// carries the sign (8-bit codes are offset binary).
inline std::int64_t CodeAt(const std::uint8_t* bytes, std::int32_t sampleBytes) {
    std::int64_t code =
        static_cast<std::int8_t>(bytes[sampleBytes - 1] ^ ((sampleBytes == 1) << 7));
    for (std::int32_t b = sampleBytes - 2; b >= 0; --b)
        code = code * 256 + bytes[b];
    return code;
}

// A stream as the engine sets it up before the first buffer, holding `channels` published with
// copies of their tables (the reference keeps reading the originals).
inline void Prepare(OutputStream& stream, const std::vector<Channel>& channels, std::int32_t rate,
                    std::int32_t resolution, std::int32_t frames, std::int64_t firstFrame = 0) {
    const auto count = static_cast<std::int32_t>(channels.size());
    stream.Config = {-1, rate, resolution, 10, (1 << count) - 1, count};
    stream.BufferFrames = frames;
    stream.FrameCounter = firstFrame;
    for (std::int32_t c = 0; c < count; ++c) {
        stream.Channels[c].EditSettings = channels[c].Settings;
        for (auto [table, slot] : {std::pair{channels[c].Carrier, WaveformSlotCarrier},
                                   std::pair{channels[c].AM, WaveformSlotAM}})
            stream.Channels[c].PendingWaveforms[slot] =
                Table({table->Points.get(), table->Points.get() + table->PointCount});
    }
    PublishChannel(stream, -1);
}

// The renderer's next buffer.
inline std::vector<std::uint8_t> RenderNext(OutputStream& stream) {
    std::vector<std::uint8_t> buffer(static_cast<std::size_t>(stream.BufferFrames) *
                                     stream.Config.ChannelCount * (stream.Config.Resolution / 8));
    RenderBuffer(stream, buffer.data());
    return buffer;
}

}  // namespace tonquelle::reference
