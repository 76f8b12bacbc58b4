// The block kernels' WrapPhase is the defined one exactly, on both kernel sets, at every size of
// phase. (Their sine and cosine: ErrorModelTest, against the true values.)

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "synth/BlockKernels.h"
#include "tests/render/ReferenceRenderer.h"
#include "tests/render/TestPhases.h"

namespace tonquelle {
namespace {

std::vector<const BlockKernels*> KernelSets() {
    return {&BaselineKernels(), &ChosenKernels()};
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
