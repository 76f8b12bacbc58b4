#pragma once

#include <numbers>

#include "records/WaveformTable.h"

namespace tonquelle {

inline constexpr double Pi = std::numbers::pi;
inline constexpr double TwoPi = 2.0 * std::numbers::pi;

// fmod(x, 2π) moved into [0, 2π); NaN for an infinite or NaN phase.
double WrapPhase(double x);

// The built-in shapes: functions of a phase in radians with period 2π, values in -1..+1. An
// infinite or NaN phase gives NaN (silence), as sin does.
double WaveSine(double x);        // sin(x) of the unreduced phase
double WaveTriangle(double x);    // 0 at 0, +1 at π/2, -1 at 3π/2
double WaveSawFalling(double x);  // +1 at 0 falling to -1 before 2π
double WaveSawRising(double x);   // -1 at 0 rising to +1 before 2π
double WaveSquare(double x);      // +1 on [0, π), -1 on [π, 2π)
// +1 on [0, dutyCycle / 100 · 2π), −1 on the rest of the period; NaN for a NaN duty cycle.
double WavePulse(double x, double dutyCycle);

// A user table: its points spread evenly over one period, straight lines between them and from
// the last point back to the first. An empty table gives 0.
double WaveUser(double x, const WaveformTable& table);

// The integral of each built-in shape from 0 to x, for frequency modulation. Each is 0 at every
// whole period.
double IntegralSine(double x);
double IntegralTriangle(double x);
double IntegralSawFalling(double x);
double IntegralSawRising(double x);
double IntegralSquare(double x);

}  // namespace tonquelle
