#include "synth/WaveShapes.h"

#include <cmath>

#include "synth/LibraryTrig.h"

namespace tonquelle {

namespace {

constexpr double HalfPi = Pi / 2.0;
constexpr double ThreeHalfPi = 3.0 * Pi / 2.0;
constexpr double FourPi = 4.0 * Pi;

}  // namespace

double WrapPhase(double x) {
    double r = std::fmod(x, TwoPi);
    // An infinite or NaN phase has no place in the period: NaN, which the shapes pass on and
    // which plays as silence, never as the full-scale value of some phase.
    if (std::isnan(r)) {
        return r;
    }
    if (r < 0.0) {
        r += TwoPi;
    }
    // A tiny negative remainder plus 2π rounds to 2π itself; that phase is the period's start.
    return r < TwoPi ? r : 0.0;
}

double WaveSine(double x) {
    return LibrarySin(x);
}

double WaveTriangle(double x) {
    double y = WrapPhase(x + HalfPi);
    if (y >= Pi) {
        y = TwoPi - y;
    }
    return y / HalfPi - 1.0;
}

double WaveSawFalling(double x) {
    return 1.0 - WrapPhase(x) / Pi;
}

double WaveSawRising(double x) {
    return WrapPhase(x) / Pi - 1.0;
}

double WaveSquare(double x) {
    const double r = WrapPhase(x);
    return std::isnan(r) ? r : (r < Pi ? 1.0 : -1.0);
}

double WavePulse(double x, double dutyCycle) {
    const double r = WrapPhase(x);
    const double edge = dutyCycle / 100 * TwoPi;
    if (std::isnan(r) || std::isnan(edge)) {
        return std::nan("");
    }
    return r < edge ? 1.0 : -1.0;
}

double WaveUser(double x, const WaveformTable& table) {
    if (table.PointCount <= 0 || !table.Points) {
        return 0.0;
    }
    const std::int32_t count = table.PointCount;
    const double position = WrapPhase(x) * (count / TwoPi);
    if (std::isnan(position)) {
        return position;
    }
    auto index = static_cast<std::int32_t>(position);
    const double fraction = std::fmod(position, 1.0);
    if (index >= count) {
        index = 0;  // rounding pushed the last phase onto the next period's first point
    }
    const double a = table.Points[index];
    const double b = table.Points[(index + 1) % count];
    return a * (1.0 - fraction) + b * fraction;
}

double IntegralSine(double x) {
    return 1.0 - LibraryCos(x);
}

double IntegralTriangle(double x) {
    double r = WrapPhase(x);
    if (r < HalfPi) {
        r += TwoPi;  // the first quarter continues the parabola of the last
    }
    if (r < ThreeHalfPi) {
        return 2.0 * r - r * r / Pi - HalfPi;
    }
    return r * r / Pi - 4.0 * r + FourPi;
}

double IntegralSawFalling(double x) {
    const double r = WrapPhase(x);
    return r - r * r / TwoPi;
}

double IntegralSawRising(double x) {
    const double r = WrapPhase(x);
    return r * r / TwoPi - r;
}

double IntegralSquare(double x) {
    const double r = WrapPhase(x);
    return r < Pi ? r : TwoPi - r;
}

}  // namespace tonquelle
