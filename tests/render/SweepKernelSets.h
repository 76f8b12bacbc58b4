#pragma once

#include <vector>

#include "synth/BlockKernels.h"

namespace tonquelle::test {

// The kernel sets that compute a logarithmic sweep's defined phase: the chosen one, and the
// baseline one too where the C library's fma, which it calls, is correctly rounded. mingw-w64's
// (Windows) is not: there the baseline set's sweeps differ from the chosen set's by a unit in
// the last place now and then.
inline std::vector<const BlockKernels*> SweepKernelSets() {
#if defined(_WIN32)
    return {&ChosenKernels()};
#else
    if (&ChosenKernels() == &BaselineKernels()) {
        return {&BaselineKernels()};
    }
    return {&BaselineKernels(), &ChosenKernels()};
#endif
}

}  // namespace tonquelle::test
