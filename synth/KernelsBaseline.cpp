// The block kernels for any processor: the compiler's baseline vector unit, fused
// multiply-adds from the C library.
#define TONQUELLE_KERNELS baseline
#define TONQUELLE_KERNELS_NAME "baseline"
#include "synth/SimdKernels.inc"

namespace tonquelle {

const BlockKernels& BaselineKernels() {
    return baseline::Kernels;
}

const BlockKernels& ChosenKernels() {
    static const BlockKernels* const chosen = []() -> const BlockKernels* {
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
        __builtin_cpu_init();
        if (Avx2Kernels() && __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma")) {
            return Avx2Kernels();
        }
#endif
        return &BaselineKernels();
    }();
    return *chosen;
}

}  // namespace tonquelle
