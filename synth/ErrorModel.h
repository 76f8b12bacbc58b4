#pragma once

// What the block renderer assumes and guarantees about its arithmetic. The defined value of a
// sample is ChannelValue's double, made of the C library's sin and cos (LibrarySin, LibraryCos)
// and correctly rounded operations; a logarithmic sweep's phase is the chosen block kernels' own
// arithmetic (SimdSweep.inc), which the renderer computes alike, so it needs no bound. The
// block renderer computes its own values; every one comes with a bound of its distance from the
// defined one, and only a code that no value within that bound could change is written without
// the defined computation. Each constant says which step it covers; a port whose C library is
// less accurate changes LibraryTrigError and nothing else.
//
// The bound of each stage is a function below, of how far the stage's inputs may lie from the
// defined ones: the plans and the block kernels compose them, and each is tested on its own
// against inputs for which the stage's two computations differ the most. T is double, or a
// vector of doubles in the kernels; magnitudes are passed as such (|x|).

#include <algorithm>
#include <cmath>
#include <numbers>

// The kernels instantiate the stages below for vectors, in files built for different instruction
// sets, which pass vectors differently: always inlined, no copy is shared between them.
#define TONQUELLE_ERROR_STAGE [[gnu::always_inline]] inline

namespace tonquelle::errors {

// Half a unit in the last place of 1: the rounding error bound of one correctly rounded
// operation, relative to its result.
inline constexpr double Unit = 0x1p-53;

// |own sin(x) − sin(x)| and the same for cos, for every finite x: the reduction by π (one
// rounding of at most 1.8e-16 below 2^30; three below 2^50; Payne–Hanek beyond, 2.2e-16), the
// polynomials (within 3.8e-17 of sin and 8.4e-18 of cos on |r| ≤ π/2, checked in 200-bit
// arithmetic) and their evaluation (at most four roundings of a result at most 1: 4.5e-16).
// 1.22e-15 holds the worst sum, 1.0e-15, with a margin.
inline constexpr double OwnTrigError = 0x1.6p-50;

// |library sin(x) − sin(x)| and the same for cos, for every finite x (LibrarySin, LibraryCos).
// glibc's sin and cos stay within one unit in the last place of the exact result, which is
// below 1, so within 2^-53; twice that is assumed. mingw-w64's (Windows) are hundreds of units
// off for phases of a few thousand radians: there the library sine is the own one
// above.
#if defined(_WIN32)
inline constexpr double LibraryTrigError = OwnTrigError;
#else
inline constexpr double LibraryTrigError = 0x1p-52;
#endif

// The two together: how far an own sine or cosine may lie from the library's.
inline constexpr double TrigError = LibraryTrigError + OwnTrigError;

// From a cosine error to the error of dd = 2π · (1 − cos x) / W: the roundings of 1 − cos and
// of the scaling (a division and a product in the definition; a product with the rounded
// 2π / W, itself one rounding off, in the block kernels), six of a value at most 2 in all,
// with a margin: |dd' − dd| ≤ 2π/|W| · (1 + 2^-50) · (TrigError + DeviationRounding).
inline constexpr double DeviationRounding = 0x1p-49;

// Relative rounding of one product or sum, in both computations, with a margin: a result that
// is formed from values at most e apart lies at most e·(scale) + |result| · 2^-51 from the
// other's result.
inline constexpr double ProductRounding = 0x1p-51;

// Rounding of the scaled code value ((v + 1) · 255 / 2, v · 32767, v · 2147483647) in both
// computations, relative to it, with a margin (it also covers the rounding of v + 1).
inline constexpr double ScaledRounding = 0x1p-50;

// ---- Frequency modulation ----

// dd = 2π · (1 − c) / W, the sine's integral scaled (the kernels: (1 − c) · fl(2π / W); the
// definition: ((1 − c) / W) · 2π), from a cosine c within cosineError of the library's.
inline double SineDeviationError(double angular, double cosineError) {
    return 2.0 * std::numbers::pi / std::fabs(angular) * (1.0 + 0x1p-50) *
           (cosineError + DeviationRounding);
}

// The deviation (dd · span) / 2 from a dd within ddError of the defined one; `largest` bounds
// |deviation|. Never subnormal: arithmetic on subnormal numbers takes a slow path in the
// processor.
inline double DeviationError(double span, double ddError, double largest) {
    return std::max(std::fabs(span) * 0.5 * ddError * (1.0 + 0x1p-50) + largest * ProductRounding,
                    0x1p-1000);
}

// ---- Amplitude modulation ----

// The factor m · span / 2 + middle from an m within mError of the defined one: the products and
// the sum round in both computations (|m| ≤ 1, within a hair).
inline double AmplitudeFactorError(double span, double middle, double mError) {
    return std::fabs(span) * 0.5 * mError * (1.0 + 0x1p-50) +
           (std::fabs(span) * 1.01 + std::fabs(middle)) * ProductRounding;
}

// ---- The carrier shapes at a phase known to within e ----

// The triangle's slope, 2/π, and the roundings of both evaluations: the sum x + π/2 (relative
// to |x|) and the steps after WrapPhase (of values at most 4).
template <typename T>
TONQUELLE_ERROR_STAGE T TriangleError(T phaseMagnitude, T e) {
    return e * (0x1.45f306dc9c883p-1 * (1.0 + 0x1p-40)) + (phaseMagnitude + e + 16.0) * 0x1p-52;
}

// The saws' slope, 1/π, and the roundings of both evaluations, away from the period's ends.
template <typename T>
TONQUELLE_ERROR_STAGE T SawError(T e) {
    return e * (0x1.45f306dc9c883p-2 * (1.0 + 0x1p-40)) + 0x1p-49;
}

// Whether a phase wrapped to r may have a defined phase within e across a jump at `edge`
// (radians into the period): within e of the edge, and a margin for WrapPhase's rounding of
// small negative phases (x + 2π).
template <typename T>
TONQUELLE_ERROR_STAGE auto ReachesJump(T r, T e, double edge) {
    const T reach = e + 0x1p-48;
    return (r - edge <= reach) & (edge - r <= reach);
}

// The saws jump at the period's ends; the square also at its edge (π at a duty cycle of 50 %).
template <typename T>
TONQUELLE_ERROR_STAGE auto SawJumpReached(T r, T e) {
    return ReachesJump(r, e, 0.0) | ReachesJump(r, e, 2.0 * std::numbers::pi);
}
template <typename T>
TONQUELLE_ERROR_STAGE auto SquareJumpReached(T r, T e, double edge = std::numbers::pi) {
    return SawJumpReached(r, e) | ReachesJump(r, e, edge);
}

// ---- The value and its code ----

// v = s · a from an s within shapeError and an a within amplitudeError of the defined ones
// (|s|, |a| and |v| the own ones): (|a| + ea) · es + (|s| + es) · ea, and the product's rounding
// in both computations.
template <typename T>
TONQUELLE_ERROR_STAGE T ValueError(T shape, T shapeError, T amplitude, T amplitudeError, T value) {
    return (amplitude + amplitudeError) * shapeError + (shape + shapeError) * amplitudeError +
           value * ProductRounding;
}

// The factor from a value error to the error of the scaled value ((v + 1) · 255 / 2 at 8 bits:
// 127.5; v · 32767; v · 2147483647), with a margin for its roundings.
inline double CodeErrorScale(double factor) {
    return factor * (1.0 + 0x1p-50);
}

// The scaled value from a value within valueError of the defined one; |scaled| the own one: the
// error scaled, and the scaling's rounding in both computations.
template <typename T>
TONQUELLE_ERROR_STAGE T ScaledError(T valueError, double codeErrorScale, T scaledMagnitude) {
    return valueError * codeErrorScale + scaledMagnitude * ScaledRounding + 0x1p-60;
}

// Whether every value within valueError of v is clipped to the same full scale as v: then the
// code is full scale's whatever the error.
template <typename T>
TONQUELLE_ERROR_STAGE auto ClippedAlike(T v, T valueError) {
    return (v - valueError > 1.0) | (v + valueError < -1.0);
}

}  // namespace tonquelle::errors
