#pragma once

#include <cstdint>

namespace tonquelle {

// Conversions between a channel panel's controls and the ChannelSettings record. Phase is kept in
// radians and shown in degrees; amplitudes are kept as linear factors and shown in `unit`
// (UnitLinear or UnitDecibel). Slider positions are whole numbers; the vertical sliders count
// upwards from the bottom.

inline constexpr std::int32_t PhaseSliderMax = 180;      // -180° .. +180°, 2° per step
inline constexpr std::int32_t FrequencySliderMax = 300;  // 20 Hz .. 20 kHz, logarithmic
inline constexpr std::int32_t AmplitudeSliderMax = 300;  // 0 .. 1, or -60 dB .. 0 dB

// `position` rounded to the nearest whole number (halves to even), then limited to 0..max;
// NaN gives 0, infinities give the nearer end.
std::int32_t LimitSliderPosition(double position, std::int32_t max);

double PhaseFromSlider(std::int32_t position);
std::int32_t PhaseSliderPosition(double phaseShift);
double PhaseFromDegrees(double degrees);
double PhaseInDegrees(double phaseShift);

double FrequencyFromSlider(std::int32_t position);
std::int32_t FrequencySliderPosition(double frequency);

double AmplitudeFromSlider(std::int32_t position, std::int32_t unit);
std::int32_t AmplitudeSliderPosition(double amplitude, std::int32_t unit);
// A typed amplitude (factor or dB) as a factor, and a factor as the number its field shows.
double AmplitudeFromShown(double shown, std::int32_t unit);
double AmplitudeToShown(double amplitude, std::int32_t unit);

}  // namespace tonquelle
