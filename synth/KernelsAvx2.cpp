// The block kernels for AVX2 with FMA (compiled with -mavx2 -mfma; chosen at run time).
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define TONQUELLE_KERNELS avx2
#define TONQUELLE_KERNELS_NAME "AVX2+FMA"
#include "synth/SimdKernels.inc"

namespace tonquelle {
const BlockKernels* Avx2Kernels() {
    return &avx2::Kernels;
}
}  // namespace tonquelle
#else
#include "synth/BlockKernels.h"

namespace tonquelle {
const BlockKernels* Avx2Kernels() {
    return nullptr;
}
}  // namespace tonquelle
#endif
