#include "synth/ChannelValue.h"

#include "synth/WaveShapes.h"

namespace tonquelle {

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

double ChannelValue(const ChannelSettings& s, const ChannelTables& tables, double t) {
    return ChannelValue(s, tables[WaveformSlotCarrier], tables[WaveformSlotAM], t);
}

double ChannelValue(const ChannelSettings& s, const WaveformTable& carrierTable,
                    const WaveformTable& amTable, double t) {
    if ((s.Flags & FlagMute) != 0) {
        return 0.0;
    }
    const double phi = CarrierPhase(s, t);
    const double a = AmplitudeFactor(s, amTable, t);
    return ShapeValue(s.Waveform, phi, carrierTable) * a;
}

}  // namespace tonquelle
