#pragma once

// Phases of every size for the tests of the sine, the cosine and WrapPhase.

#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "tests/render/ReferenceRenderer.h"

namespace tonquelle::test {

// Up to 2^30 (the plain reduction), up to 2^50 (the corrected one) and beyond (integer
// arithmetic) up to 1e300, of both signs; multiples of π/2 and 2π and their neighbours, where the
// reductions cancel the most; and the non-finite ones.
inline std::vector<double> Phases() {
    std::mt19937_64 random(11);
    std::uniform_real_distribution<double> unit;
    std::vector<double> phases;
    for (int i = 0; i < 150000; ++i) {
        const double magnitude = std::pow(2.0, unit(random) * (i % 3 == 0   ? 30
                                                               : i % 3 == 1 ? 50
                                                                            : 997));
        phases.push_back(i % 2 ? magnitude : -magnitude);
    }
    for (double k = 1; k < 1e15; k *= 3.7)
        for (double period : {reference::Pi / 2, reference::TwoPi})
            for (double x = std::nextafter(k * period, 0.0), n = 0; n < 3;
                 x = std::nextafter(x, INFINITY), ++n)
                phases.push_back(x);
    const double infinity = std::numeric_limits<double>::infinity();
    for (double special : {0.0, -0.0, 1e-300, 4.0, -4.0, -1e-20, infinity, -infinity, std::nan("")})
        phases.push_back(special);
    return phases;
}

}  // namespace tonquelle::test
