#pragma once

#include <cstdint>

namespace tonquelle {

// Bits of ChannelSettings::Flags. Other bits carry no meaning and are left as they are.
inline constexpr std::int32_t FlagMute = 1;  // the channel outputs silence
inline constexpr std::int32_t FlagFM = 2;    // frequency modulation replaces Frequency
inline constexpr std::int32_t FlagAM = 4;    // amplitude modulation replaces Amplitude
// With FlagFM: the frequency moves between the limits on a logarithmic scale (both above 0 Hz).
inline constexpr std::int32_t FlagFMLog = 8;

// Waveform index shared by Waveform, FMWaveform and AMWaveform. The fields stay plain integers
// because a settings file may hold any value there.
struct WaveformIndex {
    static constexpr std::int32_t Sine = 0;
    static constexpr std::int32_t Triangle = 1;
    static constexpr std::int32_t SawFalling = 2;
    static constexpr std::int32_t SawRising = 3;
    static constexpr std::int32_t Square = 4;
    static constexpr std::int32_t User = 5;  // a table loaded from a file
    // Noise (signal and amplitude modulation only; as FM shape they give no deviation).
    static constexpr std::int32_t WhiteNoise = 6;
    static constexpr std::int32_t PinkNoise = 7;
    static constexpr std::int32_t Count = 8;
};

// The complete signal of one output channel. A plain value, always copied whole. Phase is in
// radians, frequencies in hertz, amplitudes are linear factors of full scale. The members'
// initialisers are the channel defaults: a muted 440 Hz sine at amplitude 0.1.
struct ChannelSettings {
    std::int32_t Flags = FlagMute;
    std::int32_t Waveform = WaveformIndex::Sine;
    double PhaseShift = 0.0;
    double Frequency = 440.0;
    std::int32_t FMWaveform = WaveformIndex::Sine;
    double FMFrequency = 1.0;
    double FMMinFreq = 440.0;
    double FMMaxFreq = 880.0;
    double Amplitude = 0.1;
    std::int32_t AMWaveform = WaveformIndex::Sine;
    double AMFrequency = 1.0;
    double AMMinAmp = 0.001;
    double AMMaxAmp = 0.1;
    // Percent of the carrier square's period at +1 (the rest at −1); 0 and 100 give constants.
    double DutyCycle = 50.0;

    friend bool operator==(const ChannelSettings&, const ChannelSettings&) = default;
};

}  // namespace tonquelle
