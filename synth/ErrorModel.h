#pragma once

// What the block renderer assumes and guarantees about its arithmetic. The defined value of a
// sample is ChannelValue's double, made of the C library's sin and cos and correctly rounded
// operations. The block renderer computes its own values; every one comes with a bound of its
// distance from the defined one, and only a code that no value within that bound could change is
// written without the defined computation. Each constant says which step it covers; a port whose
// C library is less accurate changes LibraryTrigError and nothing else.

namespace tonquelle::errors {

// Half a unit in the last place of 1: the rounding error bound of one correctly rounded
// operation, relative to its result.
inline constexpr double Unit = 0x1p-53;

// |library sin(x) − sin(x)| and the same for cos, for every finite x. glibc's sin and cos stay
// within one unit in the last place of the exact result, which is below 1, so within 2^-53;
// twice that is assumed. A C library with a larger error (some give hundreds of units for
// phases of a few thousand radians) needs its own figure here.
inline constexpr double LibraryTrigError = 0x1p-52;

// |own sin(x) − sin(x)| and the same for cos, for every finite x: the reduction by π (one
// rounding of at most 1.8e-16 below 2^30; three below 2^50; Payne–Hanek beyond, 2.2e-16), the
// polynomials (within 3.8e-17 of sin and 8.4e-18 of cos on |r| ≤ π/2, checked in 200-bit
// arithmetic) and their evaluation (at most four roundings of a result at most 1: 4.5e-16).
// 1.22e-15 holds the worst sum, 1.0e-15, with a margin.
inline constexpr double OwnTrigError = 0x1.6p-50;

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

}  // namespace tonquelle::errors
