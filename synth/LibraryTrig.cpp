#include "synth/LibraryTrig.h"

#include <cmath>

#if defined(_WIN32)
#include "synth/BlockKernels.h"
#endif

namespace tonquelle {

#if defined(_WIN32)

// The baseline set: every kernel set gives the same double, and this one runs everywhere.
double LibrarySin(double x) {
    double y;
    BaselineKernels().Sines(&x, 1, false, &y);
    return y;
}

double LibraryCos(double x) {
    double y;
    BaselineKernels().Sines(&x, 1, true, &y);
    return y;
}

#else

double LibrarySin(double x) {
    return std::sin(x);
}

double LibraryCos(double x) {
    return std::cos(x);
}

#endif

}  // namespace tonquelle
