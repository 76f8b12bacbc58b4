#pragma once

// An independent statement of how channel settings become PCM bytes, written for the tests
// straight from the formulas: one frame after the other, within a frame channel 0 first, each
// value computed in the formulas' order of operations. It shares nothing with the renderer but
// the shapes and the sample encoding, which have their own tests.

#include <algorithm>
#include <array>
#include <cstdint>
#include <initializer_list>
#include <vector>

#include "audio/OutputStream.h"
#include "channel/ChannelSettings.h"
#include "synth/SampleEncoding.h"
#include "synth/WaveShapes.h"

namespace tonquelle::reference {

// A user table holding `points`.
inline WaveformTable Table(std::initializer_list<double> points) {
    WaveformTable table;
    table.PointCount = static_cast<std::int32_t>(points.size());
    table.Points.reset(new double[points.size()]);
    std::copy(points.begin(), points.end(), table.Points.get());
    return table;
}

struct Channel {
    ChannelSettings Settings;
    const WaveformTable* Carrier = nullptr;  // slot 0, may be null: empty
    const WaveformTable* AM = nullptr;       // slot 2, may be null: empty
};

inline double Shape(std::int32_t index, double x, const WaveformTable* table) {
    static const WaveformTable empty;
    switch (index) {
        case 0:
            return WaveSine(x);
        case 1:
            return WaveTriangle(x);
        case 2:
            return WaveSawFalling(x);
        case 3:
            return WaveSawRising(x);
        case 4:
            return WaveSquare(x);
        case 5:
            return WaveUser(x, table ? *table : empty);
        default:
            return 0.0;
    }
}

inline double Integral(std::int32_t index, double x) {
    switch (index) {
        case 0:
            return IntegralSine(x);
        case 1:
            return IntegralTriangle(x);
        case 2:
            return IntegralSawFalling(x);
        case 3:
            return IntegralSawRising(x);
        case 4:
            return IntegralSquare(x);
        default:
            return 0.0;
    }
}

inline double Value(const Channel& channel, double t) {
    const ChannelSettings& s = channel.Settings;
    if (s.Flags & FlagMute) {
        return 0.0;
    }
    double phi;
    if (s.Flags & FlagFM) {
        phi = t * TwoPi * (s.FMMaxFreq + s.FMMinFreq) / 2 + s.PhaseShift;
        if (s.FMFrequency != 0.0) {
            double x = s.FMFrequency * TwoPi * t;
            double d = Integral(s.FMWaveform, x) / (s.FMFrequency * TwoPi);
            phi = phi + d * TwoPi * (s.FMMaxFreq - s.FMMinFreq) / 2;
        }
    } else {
        phi = s.Frequency * TwoPi * t + s.PhaseShift;
    }
    double a;
    if (s.Flags & FlagAM) {
        double y = s.AMFrequency * TwoPi * t;
        double m = Shape(s.AMWaveform, y, channel.AM);
        a = m * (s.AMMaxAmp - s.AMMinAmp) / 2 + (s.AMMaxAmp + s.AMMinAmp) / 2;
    } else {
        a = s.Amplitude;
    }
    return Shape(s.Waveform, phi, channel.Carrier) * a;
}

// `frames` frames starting at frame `firstFrame` of the time base.
inline std::vector<std::uint8_t> Render(const std::vector<Channel>& channels,
                                        std::int64_t firstFrame, std::int32_t frames,
                                        std::int32_t sampleRate, std::int32_t resolution) {
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(frames) * channels.size() *
                                    (resolution / 8));
    std::uint8_t* cursor = bytes.data();
    std::int64_t counter = firstFrame;
    for (std::int32_t i = 0; i < frames; ++i) {
        double t = static_cast<double>(counter) / sampleRate;
        for (const Channel& channel : channels) {
            StoreSample(Value(channel, t), cursor, resolution);
        }
        ++counter;
    }
    return bytes;
}

}  // namespace tonquelle::reference
