#pragma once

#include <cstdint>

namespace tonquelle {

// Phases from this size on are reduced with integer arithmetic: below it the block renderer's
// floating-point reductions are exact (WrapPhase) or accurate (the quarter-period reduction).
inline constexpr double HugePhase = 0x1p50;

// WrapPhase(x) for |x| ≥ HugePhase and for non-finite x, exactly: the remainder of x by the
// double 2π computed from x's integer mantissa (fmod's result, without fmod's cost that grows
// with x). Non-finite x gives NaN, as WrapPhase does.
double WrapHugePhase(double x);

// x = Quadrant · π/2 + Reduced with |Reduced| ≤ π/4 (to within 2^-60), for finite
// |x| ≥ HugePhase, against π itself (Payne–Hanek: x's mantissa times the bits of 2/π that
// matter). |Reduced − exact| ≤ 2.2e-16.
struct QuarterPeriod {
    double Reduced;
    std::int64_t Quadrant;
};
QuarterPeriod ReduceHugePhase(double x);

}  // namespace tonquelle
