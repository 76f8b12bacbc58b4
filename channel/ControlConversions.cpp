#include "channel/ControlConversions.h"

#include <cmath>
#include <numbers>

#include "channel/PanelSyncBits.h"

namespace tonquelle {

namespace {

// The amplitude slider's decibel range: its bottom end.
constexpr double SliderFloorDecibel = -60.0;

double Decibel(double factor) {
    return 20.0 * std::log10(factor);
}
double FactorOfDecibel(double decibel) {
    return std::pow(10.0, decibel / 20.0);
}

}  // namespace

std::int32_t LimitSliderPosition(double position, std::int32_t max) {
    if (std::isnan(position)) {
        return 0;
    }
    // The default rounding mode rounds halves to the even neighbour.
    const double rounded = std::nearbyint(position);
    if (rounded <= 0.0) {
        return 0;
    }
    if (rounded >= max) {
        return max;
    }
    return static_cast<std::int32_t>(rounded);
}

double PhaseFromSlider(std::int32_t position) {
    return PhaseFromDegrees(position * 360.0 / PhaseSliderMax - 180.0);
}

std::int32_t PhaseSliderPosition(double phaseShift) {
    return LimitSliderPosition((PhaseInDegrees(phaseShift) + 180.0) * PhaseSliderMax / 360.0,
                               PhaseSliderMax);
}

double PhaseFromDegrees(double degrees) {
    return degrees * std::numbers::pi / 180.0;
}

double PhaseInDegrees(double phaseShift) {
    return phaseShift * 180.0 / std::numbers::pi;
}

double FrequencyFromSlider(std::int32_t position) {
    return 20.0 * std::pow(1000.0, static_cast<double>(position) / FrequencySliderMax);
}

std::int32_t FrequencySliderPosition(double frequency) {
    return LimitSliderPosition(FrequencySliderMax * std::log(frequency / 20.0) / std::log(1000.0),
                               FrequencySliderMax);
}

double AmplitudeFromSlider(std::int32_t position, std::int32_t unit) {
    const double fraction = static_cast<double>(position) / AmplitudeSliderMax;
    if (unit == UnitDecibel) {
        return FactorOfDecibel((1.0 - fraction) * SliderFloorDecibel);
    }
    return fraction;
}

std::int32_t AmplitudeSliderPosition(double amplitude, std::int32_t unit) {
    if (unit == UnitDecibel) {
        return LimitSliderPosition(
            AmplitudeSliderMax * (1.0 - Decibel(amplitude) / SliderFloorDecibel),
            AmplitudeSliderMax);
    }
    return LimitSliderPosition(AmplitudeSliderMax * amplitude, AmplitudeSliderMax);
}

double AmplitudeFromShown(double shown, std::int32_t unit) {
    return unit == UnitDecibel ? FactorOfDecibel(shown) : shown;
}

double AmplitudeToShown(double amplitude, std::int32_t unit) {
    return unit == UnitDecibel ? Decibel(amplitude) : amplitude;
}

}  // namespace tonquelle
