#include "synth/ChannelValue.h"

#include <algorithm>

#include "synth/LogSweep.h"
#include "synth/WaveShapes.h"

namespace tonquelle {

namespace {

double NoiseAt(NoiseColour colour, std::uint64_t key, std::int64_t frame) {
    const auto position = static_cast<std::uint64_t>(frame);
    return colour == NoiseColour::White ? WhiteNoise(key, position) : PinkNoise(key, position);
}

// The carrier shape's value: a noise, the square with its duty cycle, or another shape at the
// carrier phase.
double CarrierValue(const ChannelSettings& s, const WaveformTable& table, const SamplePoint& point,
                    const LogSweepShape* sweep) {
    const NoiseColour noise = NoiseColourOf(s.Waveform);
    if (noise != NoiseColour::None) {
        return NoiseAt(noise, NoiseKey(point.Channel, noise, NoiseRole::Carrier), point.Frame);
    }
    const double phi = sweep && LogarithmicSweep(s) ? LogSweepPhase(*sweep, point.Time)
                                                    : CarrierPhase(s, point.Time);
    if (s.Waveform == WaveformIndex::Square) {
        return WavePulse(phi, s.DutyCycle);
    }
    return ShapeValue(s.Waveform, phi, table);
}

}  // namespace

NoiseColour NoiseColourOf(std::int32_t index) {
    switch (index) {
        case WaveformIndex::WhiteNoise:
            return NoiseColour::White;
        case WaveformIndex::PinkNoise:
            return NoiseColour::Pink;
        default:
            return NoiseColour::None;
    }
}

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

// The operations run in the order the values are defined in, so that every double comes out
// the same on every build.
double CarrierPhase(const ChannelSettings& s, double t) {
    if ((s.Flags & FlagFM) == 0) {
        return s.Frequency * TwoPi * t + s.PhaseShift;
    }
    if (LogarithmicSweep(s)) {
        return LogSweepPhase(s, t);
    }
    double phi = t * TwoPi * (s.FMMaxFreq + s.FMMinFreq) / 2 + s.PhaseShift;
    if (s.FMFrequency != 0.0) {
        const double x = s.FMFrequency * TwoPi * t;
        const double d = ShapeIntegral(s.FMWaveform, x) / (s.FMFrequency * TwoPi);
        phi = phi + d * TwoPi * (s.FMMaxFreq - s.FMMinFreq) / 2;
    }
    return phi;
}

double AmplitudeFactor(const ChannelSettings& s, const WaveformTable& amTable,
                       const SamplePoint& point) {
    if ((s.Flags & FlagAM) == 0) {
        return s.Amplitude;
    }
    const NoiseColour noise = NoiseColourOf(s.AMWaveform);
    double m = 0.0;
    if (noise != NoiseColour::None) {
        const std::uint64_t key = NoiseKey(point.Channel, noise, NoiseRole::AmplitudeModulation);
        m = std::clamp(NoiseAt(noise, key, point.Frame), -1.0, 1.0);
    } else {
        m = ShapeValue(s.AMWaveform, s.AMFrequency * TwoPi * point.Time, amTable);
    }
    return m * (s.AMMaxAmp - s.AMMinAmp) / 2 + (s.AMMaxAmp + s.AMMinAmp) / 2;
}

double ChannelValue(const ChannelSettings& s, const ChannelTables& tables,
                    const SamplePoint& point) {
    return ChannelValue(s, tables[WaveformSlotCarrier], tables[WaveformSlotAM], point);
}

double ChannelValue(const ChannelSettings& s, const WaveformTable& carrierTable,
                    const WaveformTable& amTable, const SamplePoint& point,
                    const LogSweepShape* sweep) {
    if ((s.Flags & FlagMute) != 0) {
        return 0.0;
    }
    return CarrierValue(s, carrierTable, point, sweep) * AmplitudeFactor(s, amTable, point);
}

}  // namespace tonquelle
