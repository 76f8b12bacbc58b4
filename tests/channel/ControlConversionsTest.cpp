#include "channel/ControlConversions.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>

#include "channel/PanelSyncBits.h"

namespace tonquelle {
namespace {

constexpr double Pi = std::numbers::pi;
constexpr double Infinity = std::numeric_limits<double>::infinity();
constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

TEST(PanelSyncBits, MasksAreTheValueBitsAndTheUnitBits) {
    // Value bits by position: 0, 1, 4, 7, 11, 13, 15, 17, 19, 24, 26, 28, 31.
    std::uint64_t values = 0;
    for (int bit : {0, 1, 4, 7, 11, 13, 15, 17, 19, 24, 26, 28, 31}) {
        values |= std::uint64_t{1} << bit;
    }
    EXPECT_EQ(ValueBits, values);
    EXPECT_EQ(ValueBits,
              PanelBit::FlagsChanged | PanelBit::WaveformChanged | PanelBit::PhaseChanged |
                  PanelBit::FrequencyChanged | PanelBit::FMWaveformChanged |
                  PanelBit::FMFrequencyChanged | PanelBit::FMMinChanged | PanelBit::FMMaxChanged |
                  PanelBit::AmplitudeChanged | PanelBit::AMWaveformChanged |
                  PanelBit::AMFrequencyChanged | PanelBit::AMMinChanged | PanelBit::AMMaxChanged);
    const std::uint64_t units =
        (std::uint64_t{1} << 22) | (std::uint64_t{1} << 30) | (std::uint64_t{1} << 33);
    EXPECT_EQ(RefreshAllBits, values | units);
    EXPECT_EQ(units, PanelBit::AmplitudeUnitChanged | PanelBit::AMMinUnitChanged |
                         PanelBit::AMMaxUnitChanged);
    // The last bit in use is 33; nothing above it.
    EXPECT_EQ(PanelBit::AMMaxUnitChanged, std::uint64_t{1} << 33);
    EXPECT_EQ(RefreshAllBits >> 34, 0u);
}

TEST(LimitSliderPosition, RoundsHalvesToEvenThenLimits) {
    EXPECT_EQ(LimitSliderPosition(2.5, 300), 2);
    EXPECT_EQ(LimitSliderPosition(3.5, 300), 4);
    EXPECT_EQ(LimitSliderPosition(133.49, 300), 133);
    EXPECT_EQ(LimitSliderPosition(-0.5, 300), 0);
    EXPECT_EQ(LimitSliderPosition(-7.0, 300), 0);
    EXPECT_EQ(LimitSliderPosition(300.4, 300), 300);
    EXPECT_EQ(LimitSliderPosition(1e300, 300), 300);
    EXPECT_EQ(LimitSliderPosition(Infinity, 180), 180);
    EXPECT_EQ(LimitSliderPosition(-Infinity, 180), 0);
    EXPECT_EQ(LimitSliderPosition(NaN, 300), 0);
}

TEST(PhaseConversions, SliderStepsAreTwoDegreesFromMinus180) {
    EXPECT_DOUBLE_EQ(PhaseFromSlider(0), -Pi);
    EXPECT_DOUBLE_EQ(PhaseFromSlider(45), -Pi / 2);
    EXPECT_DOUBLE_EQ(PhaseFromSlider(90), 0.0);
    EXPECT_DOUBLE_EQ(PhaseFromSlider(180), Pi);
    EXPECT_EQ(PhaseSliderPosition(0.0), 90);
    EXPECT_EQ(PhaseSliderPosition(-Pi / 2), 45);
    // 270° lies beyond the right end; -181° beyond the left end.
    EXPECT_EQ(PhaseSliderPosition(3 * Pi / 2), 180);
    EXPECT_EQ(PhaseSliderPosition(-181 * Pi / 180), 0);
    // 1° is half a step: (1 + 180) / 2 = 90.5 rounds to the even 90; 3° gives 91.5 -> 92.
    EXPECT_EQ(PhaseSliderPosition(1 * Pi / 180), 90);
    EXPECT_EQ(PhaseSliderPosition(3 * Pi / 180), 92);
    EXPECT_EQ(PhaseSliderPosition(NaN), 0);
    EXPECT_DOUBLE_EQ(PhaseFromDegrees(270), 3 * Pi / 2);
    EXPECT_DOUBLE_EQ(PhaseInDegrees(Pi / 4), 45.0);
}

TEST(FrequencyConversions, SliderIsLogarithmicFrom20HzTo20kHz) {
    EXPECT_DOUBLE_EQ(FrequencyFromSlider(0), 20.0);
    EXPECT_DOUBLE_EQ(FrequencyFromSlider(100), 200.0);
    EXPECT_DOUBLE_EQ(FrequencyFromSlider(200), 2000.0);
    EXPECT_DOUBLE_EQ(FrequencyFromSlider(300), 20000.0);
    // 300 * ln(22) / ln(1000) = 134.24
    EXPECT_EQ(FrequencySliderPosition(440.0), 134);
    EXPECT_EQ(FrequencySliderPosition(25000.0), 300);
    EXPECT_EQ(FrequencySliderPosition(10.0), 0);
    // No logarithm of a frequency that is not positive: the bottom end.
    EXPECT_EQ(FrequencySliderPosition(-5.0), 0);
    EXPECT_EQ(FrequencySliderPosition(0.0), 0);
    EXPECT_EQ(FrequencySliderPosition(Infinity), 300);
}

TEST(AmplitudeConversions, LinearSliderIsTheFactorInThreeHundredths) {
    EXPECT_DOUBLE_EQ(AmplitudeFromSlider(30, UnitLinear), 0.1);
    EXPECT_DOUBLE_EQ(AmplitudeFromSlider(300, UnitLinear), 1.0);
    EXPECT_EQ(AmplitudeSliderPosition(0.1, UnitLinear), 30);
    EXPECT_EQ(AmplitudeSliderPosition(0.0, UnitLinear), 0);
    EXPECT_EQ(AmplitudeSliderPosition(2.0, UnitLinear), 300);
    EXPECT_EQ(AmplitudeSliderPosition(-1.0, UnitLinear), 0);
}

TEST(AmplitudeConversions, DecibelSliderSpansMinus60To0dB) {
    EXPECT_DOUBLE_EQ(AmplitudeFromSlider(300, UnitDecibel), 1.0);
    EXPECT_DOUBLE_EQ(AmplitudeFromSlider(0, UnitDecibel), 0.001);
    EXPECT_DOUBLE_EQ(AmplitudeFromSlider(200, UnitDecibel), 0.1);
    // 0.2 dB per step: one step down from the top is 10^(-0.01).
    EXPECT_DOUBLE_EQ(AmplitudeFromSlider(299, UnitDecibel), std::pow(10.0, -0.01));
    EXPECT_EQ(AmplitudeSliderPosition(0.1, UnitDecibel), 200);
    EXPECT_EQ(AmplitudeSliderPosition(1.0, UnitDecibel), 300);
    EXPECT_EQ(AmplitudeSliderPosition(0.001, UnitDecibel), 0);
    EXPECT_EQ(AmplitudeSliderPosition(0.0, UnitDecibel), 0);
    EXPECT_EQ(AmplitudeSliderPosition(-0.5, UnitDecibel), 0);
    EXPECT_EQ(AmplitudeSliderPosition(10.0, UnitDecibel), 300);
}

TEST(AmplitudeConversions, TextsShowFactorsOrDecibels) {
    EXPECT_DOUBLE_EQ(AmplitudeFromShown(-20.0, UnitDecibel), 0.1);
    EXPECT_DOUBLE_EQ(AmplitudeFromShown(0.0, UnitDecibel), 1.0);
    EXPECT_EQ(AmplitudeFromShown(-Infinity, UnitDecibel), 0.0);
    EXPECT_DOUBLE_EQ(AmplitudeFromShown(0.25, UnitLinear), 0.25);
    EXPECT_DOUBLE_EQ(AmplitudeToShown(0.001, UnitDecibel), -60.0);
    EXPECT_DOUBLE_EQ(AmplitudeToShown(0.5, UnitLinear), 0.5);
}

}  // namespace
}  // namespace tonquelle
