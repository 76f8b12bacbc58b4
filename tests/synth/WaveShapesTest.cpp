#include "synth/WaveShapes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <vector>

namespace tonquelle {
namespace {

constexpr double Tolerance = 1e-12;

WaveformTable MakeTable(std::initializer_list<double> points) {
    WaveformTable table;
    table.PointCount = static_cast<std::int32_t>(points.size());
    table.Points = std::make_unique<double[]>(points.size());
    std::copy(points.begin(), points.end(), table.Points.get());
    return table;
}

TEST(WrapPhase, MovesEveryPhaseIntoOnePeriod) {
    EXPECT_DOUBLE_EQ(WrapPhase(1.0), 1.0);
    EXPECT_NEAR(WrapPhase(-Pi / 2), 3 * Pi / 2, Tolerance);
    EXPECT_NEAR(WrapPhase(5 * Pi), Pi, Tolerance);
    EXPECT_EQ(WrapPhase(TwoPi), 0.0);
    EXPECT_EQ(WrapPhase(-TwoPi), 0.0);
    // A remainder just below zero must not come back as 2π itself.
    for (double x : {-1e-20, -1e-300, -4.9e-324}) {
        const double r = WrapPhase(x);
        EXPECT_GE(r, 0.0) << x;
        EXPECT_LT(r, TwoPi) << x;
    }
}

struct ShapeValue {
    const char* shape;
    double (*wave)(double);
    double phase;
    double expected;
};

// Corners, points between them and negative phases of every shape, worked out by hand.
const ShapeValue kShapeValues[] = {
    {"square", WaveSquare, 0.0, 1.0},
    {"square", WaveSquare, Pi, -1.0},
    {"square", WaveSquare, Pi - 1e-12, 1.0},
    {"square", WaveSquare, 3 * Pi / 2, -1.0},
    {"square", WaveSquare, -Pi / 2, -1.0},
    {"saw falling", WaveSawFalling, 0.0, 1.0},
    {"saw falling", WaveSawFalling, Pi, 0.0},
    {"saw falling", WaveSawFalling, Pi / 2, 0.5},
    {"saw falling", WaveSawFalling, 3 * Pi / 2, -0.5},
    {"saw falling", WaveSawFalling, -Pi / 2, -0.5},
    {"saw rising", WaveSawRising, 0.0, -1.0},
    {"saw rising", WaveSawRising, Pi, 0.0},
    {"saw rising", WaveSawRising, Pi / 2, -0.5},
    {"saw rising", WaveSawRising, -Pi / 2, 0.5},
    {"triangle", WaveTriangle, 0.0, 0.0},
    {"triangle", WaveTriangle, Pi / 4, 0.5},
    {"triangle", WaveTriangle, Pi / 2, 1.0},
    {"triangle", WaveTriangle, Pi, 0.0},
    {"triangle", WaveTriangle, 5 * Pi / 4, -0.5},
    {"triangle", WaveTriangle, 3 * Pi / 2, -1.0},
    {"triangle", WaveTriangle, 7 * Pi / 4, -0.5},
    {"triangle", WaveTriangle, -Pi / 2, -1.0},
    {"sine", WaveSine, 0.0, 0.0},
    {"sine", WaveSine, Pi / 2, 1.0},
};

TEST(WaveShapes, ValuesAtCornersBetweenThemAndAtNegativePhases) {
    for (const auto& v : kShapeValues) {
        EXPECT_NEAR(v.wave(v.phase), v.expected, Tolerance) << v.shape << " at " << v.phase;
    }
    // Just before the period ends the saws are at the far end of their ramp.
    EXPECT_NEAR(WaveSawFalling(TwoPi - 1e-9), -1.0, 1e-9);
    EXPECT_NEAR(WaveSawRising(TwoPi - 1e-9), 1.0, 1e-9);
}

TEST(WaveShapes, LargePhasesRepeatThePeriod) {
    // A day of a 20 kHz tone: the phase is about 1e10 radians.
    const double base = TwoPi * 1.0e9;
    for (double x : {0.3, 1.9, 4.0, 5.5}) {
        EXPECT_NEAR(WaveTriangle(base + x), WaveTriangle(x), 1e-5) << x;
        EXPECT_NEAR(WaveSawFalling(base + x), WaveSawFalling(x), 1e-5) << x;
        EXPECT_NEAR(WaveSawRising(base + x), WaveSawRising(x), 1e-5) << x;
        EXPECT_EQ(WaveSquare(base + x), WaveSquare(x)) << x;
        EXPECT_NEAR(WaveSine(base + x), std::sin(x), 1e-5) << x;
    }
}

TEST(WaveUser, EmptyTableIsSilent) {
    const WaveformTable empty;
    for (double x : {0.0, 1.0, -3.0, 1e6}) {
        EXPECT_EQ(WaveUser(x, empty), 0.0);
    }
}

TEST(WaveUser, OnePointIsConstant) {
    const WaveformTable table = MakeTable({0.25});
    for (double x : {0.0, 1.0, 3.14, 6.2, -7.0}) {
        EXPECT_EQ(WaveUser(x, table), 0.25) << x;
    }
}

TEST(WaveUser, PointsLieEvenlyOverThePeriodWithLinesBetween) {
    const WaveformTable table = MakeTable({1.0, 0.5, -1.0, 0.0});
    for (int k = 0; k < 4; ++k) {
        EXPECT_NEAR(WaveUser(TwoPi * k / 4, table), table.Points[k], Tolerance) << k;
    }
    EXPECT_NEAR(WaveUser(TwoPi * 0.5 / 4, table), 0.75, Tolerance);
    EXPECT_NEAR(WaveUser(TwoPi * 1.25 / 4, table), 0.125, Tolerance);
    // The last segment runs from the last point back to the first.
    EXPECT_NEAR(WaveUser(TwoPi * 3.5 / 4, table), 0.5, Tolerance);
    EXPECT_NEAR(WaveUser(-TwoPi * 0.5 / 4, table), 0.5, Tolerance);
    // The phase just below 2π stays inside the table.
    EXPECT_NEAR(WaveUser(std::nextafter(TwoPi, 0.0), table), 1.0, 1e-9);
}

TEST(WaveUser, FiveStepStaircase) {
    WaveformTable table;
    table.PointCount = 50;
    table.Points = std::make_unique<double[]>(50);
    const double levels[] = {-1.0, -0.5, 0.0, 0.5, 1.0};
    for (int i = 0; i < 50; ++i) {
        table.Points[i] = levels[i / 10];
    }
    auto at = [&](double pointPosition) { return WaveUser(TwoPi * pointPosition / 50, table); };
    EXPECT_NEAR(at(0.0), -1.0, Tolerance);
    EXPECT_NEAR(at(4.5), -1.0, Tolerance);
    EXPECT_NEAR(at(8.99), -1.0, Tolerance);  // held for 9/50 of the period
    EXPECT_NEAR(at(9.5), -0.75, Tolerance);  // then rises over 1/50
    EXPECT_NEAR(at(25.0), 0.0, Tolerance);
    EXPECT_NEAR(at(45.0), 1.0, Tolerance);
    EXPECT_NEAR(at(49.25), 0.5, Tolerance);  // the last 1/50 falls back to -1
}

struct ShapeAndIntegral {
    const char* name;
    double (*shape)(double);
    double (*integral)(double);
};

const ShapeAndIntegral kShapes[] = {
    {"sine", WaveSine, IntegralSine},
    {"triangle", WaveTriangle, IntegralTriangle},
    {"saw falling", WaveSawFalling, IntegralSawFalling},
    {"saw rising", WaveSawRising, IntegralSawRising},
    {"square", WaveSquare, IntegralSquare},
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
            EXPECT_NEAR(slope, s.shape(x), 1e-6) << s.name << " at " << x;
        }
    }
}

TEST(Integrals, ZeroAtEveryWholePeriod) {
    for (const auto& s : kShapes) {
        EXPECT_NEAR(s.integral(0.0), 0.0, Tolerance) << s.name;
        EXPECT_NEAR(s.integral(TwoPi), 0.0, 1e-9) << s.name;
        EXPECT_NEAR(s.integral(-TwoPi), 0.0, 1e-9) << s.name;
        EXPECT_NEAR(s.integral(TwoPi * 1000), 0.0, 1e-9) << s.name;
        for (double x : {0.4, 2.0, 3.7, 5.9}) {
            EXPECT_NEAR(s.integral(x + TwoPi), s.integral(x), 1e-9) << s.name << " at " << x;
        }
    }
}

TEST(Integrals, ExtremaAtHalfPeriod) {
    EXPECT_NEAR(IntegralSine(Pi), 2.0, Tolerance);
    EXPECT_NEAR(IntegralTriangle(Pi), Pi / 2, Tolerance);
    EXPECT_NEAR(IntegralSawFalling(Pi), Pi / 2, Tolerance);
    EXPECT_NEAR(IntegralSawRising(Pi), -Pi / 2, Tolerance);
    EXPECT_NEAR(IntegralSquare(Pi), Pi, Tolerance);
    // The triangle's integral is r²/π over the first quarter.
    EXPECT_NEAR(IntegralTriangle(Pi / 4), Pi / 16, Tolerance);
    EXPECT_NEAR(IntegralTriangle(Pi / 2), Pi / 4, Tolerance);
}

}  // namespace
}  // namespace tonquelle
