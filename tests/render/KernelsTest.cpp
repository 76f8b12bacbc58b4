// The block kernels' WrapPhase is the defined one exactly, on both kernel sets, at every size of
// phase, and their logarithmic sweeps' phases are the defined ones. (Their sine and
// cosine: ErrorModelTest, against the true values.)

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <random>
#include <tuple>
#include <vector>

#include "synth/BlockKernels.h"
#include "synth/LogSweep.h"
#include "tests/render/ReferenceRenderer.h"
#include "tests/render/SweepKernelSets.h"
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

// The sweep's phase is defined by the chosen set's arithmetic, one value at a time as the
// per-sample formula computes it: the sets that compute it give the same doubles in vectors,
// for every FM shape, ratios from 1e-300 to 1e300, FM frequencies from 1e-9 Hz to 1 MHz and
// times from 0 to a year.
TEST(BlockKernels, SweepPhasesAreTheDefinedDoublesOnTheSetsThatComputeThem) {
    std::mt19937_64 random(5);
    std::uniform_real_distribution<double> unit;
    std::vector<double> times(4001);
    for (double& t : times) {
        t = std::pow(10.0, unit(random) * 13.5 - 6.0);
    }
    times[0] = 0.0;
    for (std::int32_t shape = 0; shape <= 5; ++shape)
        for (const auto& [low, high, rate] :
             {std::tuple{20.0, 20000.0, 1.0}, std::tuple{9000.0, 3.0, 0.3},
              std::tuple{1e-300, 1e300, 1e6}, std::tuple{440.0, 441.0, 1e-9}}) {
            const ChannelSettings s = {.Flags = FlagFM | FlagFMLog,
                                       .PhaseShift = 0.25,
                                       .FMWaveform = shape,
                                       .FMFrequency = rate,
                                       .FMMinFreq = low,
                                       .FMMaxFreq = high};
            const LogSweepShape sweep = MakeLogSweepShape(s);
            for (const BlockKernels* kernels : test::SweepKernelSets()) {
                std::vector<double> phases(times.size());
                kernels->SweepPhases(sweep, times.data(), static_cast<std::int32_t>(times.size()),
                                     phases.data());
                std::int32_t differing = 0;
                for (std::size_t i = 0; i < times.size(); ++i) {
                    differing += std::bit_cast<std::uint64_t>(LogSweepPhase(sweep, times[i])) !=
                                 std::bit_cast<std::uint64_t>(phases[i]);
                }
                EXPECT_EQ(differing, 0)
                    << kernels->Name << ", shape " << shape << ", " << low << " → " << high;
            }
        }
}

}  // namespace
}  // namespace tonquelle
