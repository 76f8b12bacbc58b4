#pragma once

// An independent statement of how channel settings become PCM bytes, written for the tests
// straight from the formulas: one frame after the other, within a frame channel 0 first, each
// value computed in the formulas' order of operations with the C library's fmod, sin and cos
// (LibrarySin and LibraryCos: on Windows the block kernels' own), each code by rounding to the
// nearest whole number (ties to even). It calls nothing else of the renderer, the shapes or the
// sample encoding. Prepare and RenderNext set up and drive the real
// renderer with the same channels, for the tests that compare the two.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

#include "records/OutputStream.h"
#include "synth/LibraryTrig.h"
#include "synth/Renderer.h"

namespace tonquelle::reference {

inline constexpr double Pi = 3.141592653589793;
inline constexpr double TwoPi = 2.0 * Pi;
inline constexpr double HalfPi = Pi / 2.0;

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
            {.Settings = {.Flags = 0, .Waveform = WaveformIndex::User, .Amplitude = 1.2},
             .Carrier = &user},
            {{.Flags = FlagMute}}};
}

// The remainder of x by 2π moved into [0, 2π) (a tiny negative remainder plus 2π rounds to 2π,
// which is the next period's 0). An infinite or NaN phase lies nowhere in the period: fmod makes
// it NaN, and NaN it stays.
inline double Wrap(double x) {
    double r = std::fmod(x, TwoPi);
    if (r < 0.0) {
        r = r + TwoPi;
    }
    return r >= TwoPi ? 0.0 : r;
}

// Shape `index` (0 sine, 1 triangle, 2 falling saw, 3 rising saw, 4 square, 5 the user table)
// at phase x; other indices and a user table without points give 0. Every shape is NaN at an
// infinite or NaN phase (silence).
inline double Shape(std::int32_t index, double x, const WaveformTable& table) {
    if (index < 0 || index > 5 || (index == 5 && table.PointCount <= 0)) {
        return 0.0;
    }
    if (!std::isfinite(x)) {
        return std::nan("");
    }
    if (index == 0) {
        return LibrarySin(x);
    }
    if (index == 1) {
        double y = Wrap(x + HalfPi);
        y = y >= Pi ? TwoPi - y : y;
        return y / HalfPi - 1.0;
    }
    const double r = Wrap(x);
    switch (index) {
        case 2:
            return 1.0 - r / Pi;
        case 3:
            return r / Pi - 1.0;
        case 4:
            return r < Pi ? 1.0 : -1.0;
        case 5: {
            const std::int32_t n = table.PointCount;
            const double p = r * (n / TwoPi);
            const auto i = static_cast<std::int32_t>(p) % n;  // position n: point 0
            const double f = std::fmod(p, 1.0);
            return table.Points[i] * (1.0 - f) + table.Points[(i + 1) % n] * f;
        }
        default:
            return 0.0;
    }
}

// The integral from 0 to x of shape `index` (none for the user shape and other indices); NaN at
// an infinite or NaN x, through the cosine or Wrap.
inline double Integral(std::int32_t index, double x) {
    if (index == 0) {
        return 1.0 - LibraryCos(x);
    }
    double r = Wrap(x);
    switch (index) {
        case 1:
            r = r < HalfPi ? r + TwoPi : r;
            return r < 3.0 * Pi / 2.0 ? 2.0 * r - r * r / Pi - HalfPi
                                      : r * r / Pi - 4.0 * r + 4.0 * Pi;
        case 2:
            return r - r * r / TwoPi;
        case 3:
            return r * r / TwoPi - r;
        case 4:
            return r < Pi ? r : TwoPi - r;
        default:
            return 0.0;
    }
}

// The noise shapes as defined: SplitMix64's finaliser over a counter. A channel's key mixes
// its number, the colour (1 white, 2 pink) and the role (0 carrier, 1 amplitude modulation).
inline std::uint64_t Mix(std::uint64_t z) {
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
    return z ^ (z >> 31);
}
inline std::uint64_t NoiseKey(std::int32_t channel, std::int32_t colour, std::int32_t role) {
    const std::uint64_t id = static_cast<std::uint64_t>(channel) << 8 |
                             static_cast<std::uint64_t>(colour) << 4 |
                             static_cast<std::uint64_t>(role);
    return Mix(id ^ 0x746F6E7175656C6Cu);
}
inline std::uint64_t Counter(std::uint64_t key, std::uint64_t index) {
    return Mix(index * 0x9E3779B97F4A7C15u + key);
}
// Uniform on [−1, 1): the counter's top 53 bits.
inline double White(std::uint64_t key, std::int64_t frame) {
    return std::ldexp(static_cast<double>(Counter(key, frame) >> 11), -52) - 1.0;
}
// Sixteen rows, row k at frame n from block b = n / 2^k: half of its own counter at b / 2 (the
// low 32 bits for an even b, the high ones for an odd b) as a number in [−2^31, 2^31), row 0
// weighted 5, the others 4; the sum times 2^-31 / √265.
inline double Pink(std::uint64_t key, std::int64_t frame) {
    std::int64_t sum = 0;
    for (std::int32_t k = 0; k < 16; ++k) {
        const std::uint64_t rowKey = Mix(key + static_cast<std::uint64_t>(k) + 1);
        const std::uint64_t block = static_cast<std::uint64_t>(frame) / (std::uint64_t{1} << k);
        const std::uint64_t counter = Counter(rowKey, block / 2);
        const std::uint64_t half = block % 2 == 1 ? counter / 0x100000000u : counter % 0x100000000u;
        sum += (static_cast<std::int64_t>(half) - 0x80000000LL) * (k == 0 ? 5 : 4);
    }
    return static_cast<double>(sum) * (std::ldexp(1.0, -31) / std::sqrt(265.0));
}
// Waveform index 6 (white) or 7 (pink) of channel `index` in `role` at `frame`.
inline double Noise(std::int32_t waveform, std::int32_t index, std::int32_t role,
                    std::int64_t frame) {
    const std::uint64_t key = NoiseKey(index, waveform - 5, role);
    return waveform == 6 ? White(key, frame) : Pink(key, frame);
}

// The instantaneous frequency of a logarithmic sweep at `periods` FM periods into the run:
// FMMinFreq · (FMMaxFreq / FMMinFreq)^((w + 1) / 2) for the FM shape's value w (w = 0 without
// modulation: FMFrequency 0 or a shape without values).
inline double SweepFrequency(const ChannelSettings& s, double periods) {
    const double w = s.FMFrequency == 0.0 ? 0.0 : Shape(s.FMWaveform, TwoPi * periods, NoTable);
    return s.FMMinFreq * std::pow(s.FMMaxFreq / s.FMMinFreq, (w + 1.0) / 2.0);
}

// ∫ SweepFrequency d(periods) from `from` to `to` by five-point Gauss–Legendre on `steps`
// equal steps (the frequency is smooth in between: no shape has a kink inside a quarter).
inline double SweepIntegral(const ChannelSettings& s, double from, double to, int steps = 400) {
    static constexpr double Nodes[5] = {0.0, -0.5384693101056831, 0.5384693101056831,
                                        -0.9061798459386640, 0.9061798459386640};
    static constexpr double Weights[5] = {0.5688888888888889, 0.4786286704993665,
                                          0.4786286704993665, 0.2369268850561891,
                                          0.2369268850561891};
    const double h = (to - from) / steps;
    double sum = 0.0;
    for (int k = 0; k < steps; ++k)
        for (int j = 0; j < 5; ++j)
            sum += Weights[j] * h / 2 * SweepFrequency(s, from + h * (k + 0.5 + Nodes[j] / 2));
    return sum;
}

// The phase of a logarithmic sweep at time t: 2π times the integral of its frequency since 0,
// counted as whole FM periods (each the integral over the quarters of one period) and the
// quarters and part of one of the period under way.
inline double SweepPhase(const ChannelSettings& s, double t) {
    if (s.FMFrequency == 0.0) {
        return TwoPi * SweepFrequency(s, 0.0) * t + s.PhaseShift;
    }
    const double u = s.FMFrequency * t;
    const double whole = std::floor(u);
    double onePeriod = 0.0, partial = 0.0;
    for (int q = 0; q < 4; ++q) {
        onePeriod += SweepIntegral(s, q / 4.0, (q + 1) / 4.0);
        const double end = std::min(u - whole, (q + 1) / 4.0);
        if (end > q / 4.0)
            partial += SweepIntegral(s, q / 4.0, end);
    }
    return TwoPi * (whole * onePeriod + partial) / s.FMFrequency + s.PhaseShift;
}

// The carrier phase at time t: a logarithmic sweep with FlagFMLog and both limits above 0 Hz.
inline double Phase(const ChannelSettings& s, double t) {
    if ((s.Flags & FlagFM) == 0) {
        return s.Frequency * TwoPi * t + s.PhaseShift;
    }
    if ((s.Flags & FlagFMLog) != 0 && s.FMMinFreq > 0.0 && s.FMMaxFreq > 0.0) {
        return SweepPhase(s, t);
    }
    double phi = t * TwoPi * (s.FMMaxFreq + s.FMMinFreq) / 2 + s.PhaseShift;
    if (s.FMFrequency != 0.0) {
        const double d =
            Integral(s.FMWaveform, s.FMFrequency * TwoPi * t) / (s.FMFrequency * TwoPi);
        phi = phi + d * TwoPi * (s.FMMaxFreq - s.FMMinFreq) / 2;
    }
    return phi;
}

// Channel number `index`'s value at frame `frame`, time t. The noises have no phase; the
// square is +1 for the first DutyCycle percent of its period.
inline double Value(const Channel& channel, std::int32_t index, std::int64_t frame, double t) {
    const ChannelSettings& s = channel.Settings;
    if (s.Flags & FlagMute) {
        return 0.0;
    }
    double a = s.Amplitude;
    if (s.Flags & FlagAM) {
        const bool noise = s.AMWaveform == 6 || s.AMWaveform == 7;
        const double m = noise ? std::clamp(Noise(s.AMWaveform, index, 1, frame), -1.0, 1.0)
                               : Shape(s.AMWaveform, s.AMFrequency * TwoPi * t, *channel.AM);
        a = m * (s.AMMaxAmp - s.AMMinAmp) / 2 + (s.AMMaxAmp + s.AMMinAmp) / 2;
    }
    if (s.Waveform == 6 || s.Waveform == 7) {
        return Noise(s.Waveform, index, 0, frame) * a;
    }
    if (s.Waveform == 4) {
        const double phase = Phase(s, t), edge = s.DutyCycle / 100 * TwoPi;
        if (!std::isfinite(phase) || std::isnan(edge)) {
            return std::nan("");
        }
        return (Wrap(phase) < edge ? 1.0 : -1.0) * a;
    }
    return Shape(s.Waveform, Phase(s, t), *channel.Carrier) * a;
}

// The value before rounding to the code: clipped to ±1 (NaN as 0), then (v + 1) · 255 / 2 at 8
// bits, v · 32767 at 16 bits, v · 2147483647 at 24 and 32 bits.
inline double Scaled(double v, std::int32_t resolution) {
    v = v > 1.0 ? 1.0 : v < -1.0 ? -1.0 : std::isnan(v) ? 0.0 : v;
    return resolution == 8    ? (v + 1.0) * 255.0 / 2.0
           : resolution == 16 ? v * 32767.0
                              : v * 2147483647.0;
}

// The code of v: the nearest whole number to the scaled value (std::nearbyint: ties to even in
// the default rounding mode); at 24 bits the 32-bit code without its low byte.
inline std::int64_t Code(double v, std::int32_t resolution) {
    const auto code = static_cast<std::int64_t>(std::nearbyint(Scaled(v, resolution)));
    return resolution == 24 ? (code >> 8) : code;  // >> keeps the sign
}

// `frames` frames starting at frame `firstFrame` of the time base, as bytes: each code in
// resolution / 8 bytes, least significant first.
inline std::vector<std::uint8_t> Render(const std::vector<Channel>& channels,
                                        std::int64_t firstFrame, std::int32_t frames,
                                        std::int32_t sampleRate, std::int32_t resolution) {
    std::vector<std::uint8_t> bytes;
    for (std::int64_t counter = firstFrame; counter < firstFrame + frames; ++counter)
        for (std::size_t c = 0; c < channels.size(); ++c) {
            const double t = static_cast<double>(counter) / sampleRate;
            const std::int64_t code =
                Code(Value(channels[c], static_cast<std::int32_t>(c), counter, t), resolution);
            for (std::int32_t b = 0; b < resolution / 8; ++b)
                bytes.push_back(static_cast<std::uint8_t>(code >> (8 * b)));
        }
    return bytes;
}

// The signed code of the `sampleBytes`-byte little-endian sample at `bytes`: its last byte
// carries the sign (8-bit codes are offset binary, returned as 0..255).
inline std::int64_t CodeAt(const std::uint8_t* bytes, std::int32_t sampleBytes) {
    if (sampleBytes == 1) {
        return bytes[0];
    }
    std::int64_t code = static_cast<std::int8_t>(bytes[sampleBytes - 1]);
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

// The renderer's bytes of `frames` frames of `channels` from frame `first`, rendered in
// buffers of `bufferFrames`.
inline std::vector<std::uint8_t> RenderInBuffers(const std::vector<Channel>& channels,
                                                 std::int32_t rate, std::int32_t resolution,
                                                 std::int64_t first, std::int64_t frames,
                                                 std::int32_t bufferFrames) {
    auto stream = std::make_unique<OutputStream>();
    Prepare(*stream, channels, rate, resolution, bufferFrames, first);
    const std::int64_t size = frames * (resolution / 8) * std::ssize(channels);
    std::vector<std::uint8_t> bytes;
    while (std::ssize(bytes) < size) {
        const std::vector<std::uint8_t> buffer = RenderNext(*stream);
        bytes.insert(bytes.end(), buffer.begin(), buffer.end());
    }
    bytes.resize(static_cast<std::size_t>(size));
    return bytes;
}

}  // namespace tonquelle::reference
