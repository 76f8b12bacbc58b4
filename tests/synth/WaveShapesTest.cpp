#include "synth/WaveShapes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace tonquelle {
namespace {

constexpr double Tolerance = 1e-12;

WaveformTable MakeTable(const std::vector<double>& points) {
    WaveformTable table;
    table.PointCount = static_cast<std::int32_t>(points.size());
    table.Points = std::make_unique<double[]>(points.size());
    std::copy(points.begin(), points.end(), table.Points.get());
    return table;
}

struct ShapeValue {
    double (*wave)(double);
    double phase;
    double expected;
};

// Corners, points between them and negative phases, worked out by hand.
const ShapeValue kShapeValues[] = {
    {WaveSquare, 0.0, 1.0},           {WaveSquare, Pi, -1.0},
    {WaveSquare, Pi - 1e-12, 1.0},    {WaveSquare, -Pi / 2, -1.0},
    {WaveSawFalling, 0.0, 1.0},       {WaveSawFalling, Pi, 0.0},
    {WaveSawFalling, Pi / 2, 0.5},    {WaveSawFalling, -Pi / 2, -0.5},
    {WaveSawRising, 0.0, -1.0},       {WaveSawRising, -Pi / 2, 0.5},
    {WaveTriangle, 0.0, 0.0},         {WaveTriangle, Pi / 4, 0.5},
    {WaveTriangle, Pi / 2, 1.0},      {WaveTriangle, Pi, 0.0},
    {WaveTriangle, 3 * Pi / 2, -1.0}, {WaveTriangle, -Pi / 4, -0.5},
    {WaveSine, Pi / 2, 1.0},          {WaveSine, -Pi / 2, -1.0},
};

TEST(WaveShapes, ValuesAtCornersBetweenThemAndAtNegativePhases) {
    for (const auto& v : kShapeValues) {
        EXPECT_NEAR(v.wave(v.phase), v.expected, Tolerance) << "phase " << v.phase;
    }
    // Just before the period ends the saws are at the far end of their ramp.
    EXPECT_NEAR(WaveSawFalling(TwoPi - 1e-9), -1.0, 1e-9);
    EXPECT_NEAR(WaveSawRising(TwoPi - 1e-9), 1.0, 1e-9);
    // A remainder just below zero must not come back as 2π itself.
    for (double x : {-1e-20, -4.9e-324}) {
        EXPECT_GE(WrapPhase(x), 0.0);
        EXPECT_LT(WrapPhase(x), TwoPi);
    }
}

// A phase that is not a number, or infinite (an infinite frequency), has no place in the period:
// every shape and integral gives NaN, which plays as silence, as sin does; none gives the value
// of some phase, which would be full-scale DC.
TEST(WaveShapes, PhaseWithoutAPlaceInThePeriodGivesNaN) {
    const WaveformTable table = MakeTable({1.0, -1.0});
    const auto user = [&table](double x) { return WaveUser(x, table); };
    for (const double x : {std::nan(""), HUGE_VAL, -HUGE_VAL}) {
        for (double (*shape)(double) :
             {WaveSine, WaveTriangle, WaveSawFalling, WaveSawRising, WaveSquare, IntegralTriangle,
              IntegralSawFalling, IntegralSawRising, IntegralSquare, IntegralSine}) {
            EXPECT_TRUE(std::isnan(shape(x))) << x;
        }
        EXPECT_TRUE(std::isnan(user(x))) << x;
        EXPECT_TRUE(std::isnan(WrapPhase(x))) << x;
    }
}

TEST(WaveUser, PointsLieEvenlyOverThePeriodWithLinesBetween) {
    EXPECT_EQ(WaveUser(1.0, WaveformTable{}), 0.0);  // no table: silence
    EXPECT_EQ(WaveUser(-7.0, MakeTable({0.25})), 0.25);
    const WaveformTable table = MakeTable({1.0, 0.5, -1.0, 0.0});
    for (int k = 0; k < 4; ++k) {
        EXPECT_NEAR(WaveUser(TwoPi * k / 4, table), table.Points[k], Tolerance) << k;
    }
    EXPECT_NEAR(WaveUser(TwoPi * 1.25 / 4, table), 0.125, Tolerance);
    // The last segment runs from the last point back to the first.
    EXPECT_NEAR(WaveUser(TwoPi * 3.5 / 4, table), 0.5, Tolerance);
    EXPECT_NEAR(WaveUser(-TwoPi * 0.5 / 4, table), 0.5, Tolerance);
    EXPECT_NEAR(WaveUser(std::nextafter(TwoPi, 0.0), table), 1.0, 1e-9);
}

struct ShapeAndIntegral {
    double (*shape)(double);
    double (*integral)(double);
    double atHalfPeriod;  // the integral's extreme, at phase π
};

const ShapeAndIntegral kShapes[] = {
    {WaveSine, IntegralSine, 2.0},
    {WaveTriangle, IntegralTriangle, Pi / 2},
    {WaveSawFalling, IntegralSawFalling, Pi / 2},
    {WaveSawRising, IntegralSawRising, -Pi / 2},
    {WaveSquare, IntegralSquare, Pi},
};

TEST(Integrals, SlopeEqualsTheShape) {
    const double h = 1e-6;
    for (const auto& s : kShapes) {
        // Sample points away from the jumps of the saws and the square (0, π).
        for (double x = 0.05; x < 4 * Pi; x += 0.1) {
            const double r = WrapPhase(x);
            if (std::fabs(r - Pi) < 0.01 || r < 0.01 || r > TwoPi - 0.01) {
                continue;
            }
            const double slope = (s.integral(x + h) - s.integral(x - h)) / (2 * h);
            EXPECT_NEAR(slope, s.shape(x), 1e-6) << "at " << x;
        }
    }
}

TEST(Integrals, ZeroAtEveryWholePeriodExtremeAtHalf) {
    for (const auto& s : kShapes) {
        EXPECT_NEAR(s.integral(Pi), s.atHalfPeriod, Tolerance);
        for (double periods : {0.0, 1.0, -1.0, 1000.0}) {
            EXPECT_NEAR(s.integral(TwoPi * periods), 0.0, 1e-9) << periods;
        }
        for (double x : {0.4, 2.0, 3.7, 5.9}) {
            EXPECT_NEAR(s.integral(x + TwoPi), s.integral(x), 1e-9) << "at " << x;
        }
    }
    // The triangle's integral is r²/π over the first quarter.
    EXPECT_NEAR(IntegralTriangle(Pi / 4), Pi / 16, Tolerance);
}

}  // namespace
}  // namespace tonquelle
