#include "channel/ControlConversions.h"

#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <limits>
#include <numbers>
#include <vector>

#include "channel/PanelSyncBits.h"

namespace tonquelle {
namespace {

constexpr double Pi = std::numbers::pi;
constexpr double Degree = Pi / 180;
constexpr double Infinity = std::numeric_limits<double>::infinity();
constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

std::uint64_t Bits(std::initializer_list<int> positions) {
    std::uint64_t bits = 0;
    for (int bit : positions) {
        bits |= std::uint64_t{1} << bit;
    }
    return bits;
}

// Applies `convert` to each input and checks each result against the expected one.
template <class Convert>
void ExpectResults(Convert convert, const std::vector<double>& inputs,
                   const std::vector<double>& expected) {
    ASSERT_EQ(inputs.size(), expected.size());
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        EXPECT_DOUBLE_EQ(convert(inputs[i]), expected[i]) << "input " << inputs[i];
    }
}

TEST(PanelSyncBits, MasksAreTheValueBitsAndTheUnitBits) {
    EXPECT_EQ(ValueBits, Bits({0, 1, 4, 7, 11, 13, 15, 17, 19, 24, 26, 28, 31, 34}));
    EXPECT_EQ(RefreshAllBits, ValueBits | Bits({22, 30, 33}));
}

// Positions are rounded halves to even, then limited to the slider; NaN gives 0. Expected
// positions by hand: phase (degrees + 180) / 2, frequency 300 * log1000(f / 20) (440 Hz: 134.24,
// nothing below 0 Hz has a logarithm), amplitude 300 * factor or 300 * (1 + dB / 60).
TEST(SliderPositions, RoundHalvesToEvenAndStayOnTheSlider) {
    ExpectResults([](double p) { return LimitSliderPosition(p, 300); },
                  {2.5, 3.5, 133.49, -0.5, -7.0, 300.4, 1e300, Infinity, -Infinity, NaN},
                  {2, 4, 133, 0, 0, 300, 300, 300, 0, 0});
    ExpectResults([](double degrees) { return PhaseSliderPosition(degrees * Degree); },
                  {0, -90, 270, -181, 1, 3, NaN}, {90, 45, 180, 0, 90, 92, 0});
    ExpectResults(FrequencySliderPosition, {440, 25000, 10, -5, 0, Infinity},
                  {134, 300, 0, 0, 0, 300});
    ExpectResults([](double a) { return AmplitudeSliderPosition(a, UnitLinear); }, {0.1, 0, 2, -1},
                  {30, 0, 300, 0});
    ExpectResults([](double a) { return AmplitudeSliderPosition(a, UnitDecibel); },
                  {0.1, 1, 0.001, 0, -0.5, 10}, {200, 300, 0, 0, 0, 300});
}

// The ends of each slider; the panel tests convert the positions and fields in between.
TEST(ControlValues, SliderEndsGiveTheRecordsRange) {
    ExpectResults(PhaseFromSlider, {0, 90, 180}, {-Pi, 0, Pi});
    ExpectResults(FrequencyFromSlider, {0, 100, 300}, {20, 200, 20000});
    ExpectResults([](double p) { return AmplitudeFromSlider(p, UnitLinear); }, {0, 300}, {0, 1});
    // 0.2 dB a step: one step below the top is 10^(-0.01).
    ExpectResults([](double p) { return AmplitudeFromSlider(p, UnitDecibel); }, {0, 299, 300},
                  {0.001, std::pow(10.0, -0.01), 1});
}

}  // namespace
}  // namespace tonquelle
