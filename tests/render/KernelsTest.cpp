// The block kernels' own sine and cosine stay within the error model's bound of the C library's
// at every size of phase, and their WrapPhase is the defined one exactly, on both kernel sets.

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include "synth/BlockKernels.h"
#include "synth/ErrorModel.h"
#include "synth/LibraryTrig.h"
#include "tests/render/ReferenceRenderer.h"
#include "tests/render/TestPhases.h"

namespace tonquelle {
namespace {

std::vector<const BlockKernels*> KernelSets() {
    return {&BaselineKernels(), &ChosenKernels()};
}

TEST(BlockKernels, OwnSineAndCosineStayWithinTheirBound) {
    const std::vector<double> x = test::Phases();
    std::vector<double> librarySine(x.size()), libraryCosine(x.size());
    for (std::size_t i = 0; i < x.size(); ++i) {
        librarySine[i] = LibrarySin(x[i]);
        libraryCosine[i] = LibraryCos(x[i]);
    }
    std::vector<double> sine(x.size()), cosine(x.size());
    for (const BlockKernels* kernels : KernelSets()) {
        kernels->Sines(x.data(), static_cast<std::int32_t>(x.size()), false, sine.data());
        kernels->Sines(x.data(), static_cast<std::int32_t>(x.size()), true, cosine.data());
        double worst = 0.0;
        for (std::size_t i = 0; i < x.size(); ++i) {
            if (!std::isfinite(x[i])) {
                EXPECT_TRUE(std::isnan(sine[i]) && std::isnan(cosine[i])) << x[i];
                continue;
            }
            worst = std::max({worst, std::fabs(sine[i] - librarySine[i]),
                              std::fabs(cosine[i] - libraryCosine[i])});
        }
        EXPECT_LE(worst, errors::TrigError) << kernels->Name;
        // Measured, for the record (about 3e-16 here).
        RecordProperty(
            std::string("worst_trig_error_") + (kernels == KernelSets()[0] ? "baseline" : "chosen"),
            std::to_string(worst * 1e16) + "e-16");
    }
}

TEST(BlockKernels, WrapPhaseIsExactlyTheDefinedRemainder) {
    const std::vector<double> x = test::Phases();
    std::vector<double> wrapped(x.size());
    for (const BlockKernels* kernels : KernelSets()) {
        kernels->WrapPhases(x.data(), static_cast<std::int32_t>(x.size()), wrapped.data());
        std::int64_t differing = 0;
        for (std::size_t i = 0; i < x.size(); ++i) {
            const double expected = reference::Wrap(x[i]);
            // The sign of a zero aside; NaN for the non-finite phases.
            differing += std::isnan(expected) ? !std::isnan(wrapped[i]) : wrapped[i] != expected;
        }
        EXPECT_EQ(differing, 0) << kernels->Name;
    }
}

}  // namespace
}  // namespace tonquelle
