#pragma once

#include <cstdint>

#include "synth/BlockPlan.h"
#include "synth/CodeWriter.h"

namespace tonquelle {

// The vector code of the block renderer, built once for each instruction set it supports; the
// results are the same double for double on all of them (their only fused operations are
// explicit and correctly rounded everywhere).
struct BlockKernels {
    const char* Name;
    // t = frame / rate and t · 2π for `frames` frames from `firstFrame`: the time base every
    // channel shares.
    void (*Times)(std::int64_t firstFrame, std::int32_t sampleRate, std::int32_t frames, double* t,
                  double* angle);
    // The values of `frames` frames of one modulator at times `t` into `out`.
    void (*Modulator)(const ModulatorPlan& plan, const double* t, std::int32_t frames, double* out);
    // One channel's codes of a block into `codes`: the code of the resolution for each frame
    // (8 bits 0..255, 24 bits the upper three bytes of the 32-bit code as a signed number).
    // Sets the bit of `open` (OpenWords words, cleared by the caller) of each frame whose code
    // the error bound leaves open.
    void (*Channel)(const ChannelPlan& plan, const BlockValues& block, std::int32_t frames,
                    std::int32_t* codes, std::uint64_t* open);
    // Writes `frames` interleaved frames from the channels' codes (WriteInterleaved).
    void (*Interleave)(const ChannelCodes* codes, std::int32_t channels, std::int32_t frames,
                       std::int32_t sampleBytes, std::uint8_t* out);
    // The carrier phases of a logarithmic sweep at `count` times `t`: the defined ones
    // (LogSweepPhase runs the baseline set's).
    void (*SweepPhases)(const LogSweepShape& shape, const double* t, std::int32_t count,
                        double* out);
    // Clips `count` values (whole vectors) to ±1, as StoreSample does.
    void (*ClipValues)(double* values, std::int32_t count);
    // The own sine (or cosine) and the exact WrapPhase of `count` values, for their tests.
    void (*Sines)(const double* x, std::int32_t count, bool cosine, double* out);
    void (*WrapPhases)(const double* x, std::int32_t count, double* out);
};

// Two lanes of SSE2 with a library call per fused multiply-add: every x86-64 processor, or
// any processor where the compiler has no vector unit to use.
const BlockKernels& BaselineKernels();
// Four lanes of AVX2 with FMA; nullptr where this build has no such kernels.
const BlockKernels* Avx2Kernels();
// The fastest set the processor runs, chosen once.
const BlockKernels& ChosenKernels();

}  // namespace tonquelle
