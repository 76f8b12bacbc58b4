#include "synth/FastChannelRenderer.h"

#include <bit>
#include <cmath>
#include <cstring>
#include <limits>

#include "synth/SampleEncoding.h"
#include "synth/WaveShapes.h"

// glibc's vector math (libmvec) has SIMD versions of sin and cos; its headers announce them only
// under -ffast-math, which the renderer must not use. Announcing them here lets `#pragma omp
// simd` loops call them. Their results differ from the scalar ones by a few units in the last
// place, which the error bounds below cover; without them the loops call the scalar functions.
// Each vector loop is built for AVX-512 (eight lanes), AVX2 (four) and the baseline (two), and
// the loader picks the one the processor runs.
#if defined(TONQUELLE_HAVE_LIBMVEC) && defined(__x86_64__)
extern "C" double sin(double) noexcept __attribute__((__simd__("notinbranch")));
extern "C" double cos(double) noexcept __attribute__((__simd__("notinbranch")));
#endif
// The clones are chosen by ifunc resolvers, which run before ThreadSanitizer is set up and crash
// it; the ThreadSanitizer build keeps the baseline loop only.
#if defined(TONQUELLE_HAVE_LIBMVEC) && defined(__x86_64__) && !defined(__SANITIZE_THREAD__)
#define TONQUELLE_VECTOR_CLONES __attribute__((target_clones("avx512f", "avx2", "default")))
#else
#define TONQUELLE_VECTOR_CLONES
#endif

namespace tonquelle {

namespace {

// 2π in three parts: the first two have 21 significant bits, so k times each is exact for
// |k| < 2^32, and the third holds the next 53 bits.
constexpr double TwoPiPart1 = 0x1.921fbp+2;
constexpr double TwoPiPart2 = 0x1.5110bp-20;
constexpr double TwoPiPart3 = 0x1.18469898cc517p-42;
constexpr double InverseTwoPi = 0x1.45f306dc9c883p-3;
// Adding and subtracting 1.5·2^52 rounds a double below 2^51 to the nearest whole number, ties
// to even: the same as lrint in the default rounding mode.
constexpr double RoundingShifter = 0x1.8p52;
// Phases up to here keep k below 2^32.
constexpr double MaxReducedPhase = 0x1p34;

// Bound of |sin(ReducePhase(x)) − sin(x)| (and for cos), vector function against the scalar
// library function: the reduction's last rounding (≤ 2.3e-16), the vector function's error
// (≤ 4 ulp, measured ≤ 4.5e-16) and the scalar function's (< 1 ulp), with a margin of five.
constexpr double TrigError = 4e-15;
// The rounding steps after the cosine of the FM deviation (ours and the defined ones: about
// 1.8e-15), and after the sine of the AM factor, relative to their scale.
constexpr double DeviationRounding = 4e-15;
constexpr double AmplitudeRounding = 1e-15;
constexpr double Unproven = std::numeric_limits<double>::infinity();

// x − k·2π for the nearest whole k: the same angle near zero, where sin and cos are fast and
// accurate however large x has grown. The first two steps are exact; only the last rounds.
inline double ReducePhase(double x) {
    const double k = (x * InverseTwoPi + RoundingShifter) - RoundingShifter;
    return ((x - k * TwoPiPart1) - k * TwoPiPart2) - k * TwoPiPart3;
}

inline double TrigErrorAt(double x) {
    return std::fabs(x) <= MaxReducedPhase ? TrigError : Unproven;
}

// The largest power of two not above a positive finite x (0 for subnormal x).
inline double PowerOfTwoBelow(double x) {
    return std::bit_cast<double>(std::bit_cast<std::uint64_t>(x) & 0x7FF0000000000000u);
}

// The constants of one channel's fast evaluation.
struct Plan {
    double PhaseShift;
    double CentreSum;     // FMMaxFreq + FMMinFreq
    double Span;          // FMMaxFreq − FMMinFreq
    double FMAngular;     // FMFrequency · 2π
    double FMDeviation;   // 2π · Span / 2 / FMAngular: the deviation per unit of the integral
    double FMErrorScale;  // |deviation error| per unit of cosine error
    double AMAngular;     // AMFrequency · 2π
    double AMSpan;        // AMMaxAmp − AMMinAmp
    double AMMiddle;      // (AMMaxAmp + AMMinAmp) / 2
    double AMErrorScale;  // |factor error| per unit of sine error
};

// Carrier phase without frequency modulation, Frequency · 2π · t + PhaseShift: the defined
// operations, so the defined doubles.
TONQUELLE_VECTOR_CLONES void PlainPhases(double angular, double phaseShift, const double* t,
                                         std::int32_t frames, double* phase, double* error) {
#pragma omp simd
    for (std::int32_t i = 0; i < frames; ++i) {
        phase[i] = angular * t[i] + phaseShift;
        error[i] = 0.0;
    }
}

// Carrier phase with sine frequency modulation: the centre phase in the defined order of
// operations, the deviation from the vector cosine and one multiplication, within
// `deviationError` of the defined deviation. `error` gets 0 where the phase is proven to be the
// defined double, else a bound of the difference.
TONQUELLE_VECTOR_CLONES void SineFMPhases(const Plan& p, const double* t, std::int32_t frames,
                                          double deviationError, double* phase, double* error,
                                          double* scratch) {
#pragma omp simd
    for (std::int32_t i = 0; i < frames; ++i) {
        scratch[i] = std::cos(ReducePhase(p.FMAngular * t[i]));
    }
#pragma omp simd
    for (std::int32_t i = 0; i < frames; ++i) {
        const double centre = t[i] * TwoPi * p.CentreSum / 2 + p.PhaseShift;
        const double deviation = (1.0 - scratch[i]) * p.FMDeviation;
        const double sum = centre + deviation;
        // The rounding error of the sum, exactly (Knuth's TwoSum).
        const double deviationPart = sum - centre;
        const double roundingError = (centre - (sum - deviationPart)) + (deviation - deviationPart);
        // The defined sum lies within deviationError of ours. When that interval stays inside
        // the rounding interval of `sum` (half a unit either side; at a power of two the lower
        // side is narrower, so that case stays unproven), both round to the same double.
        // Otherwise they differ by at most the error plus two units (plus the smallest
        // subnormal steps, should the sum be about zero).
        const double slack = std::fabs(roundingError) + deviationError;
        const double magnitude = std::fabs(sum);
        const double binade = PowerOfTwoBelow(magnitude);
        // Both candidates are computed first: the selections then need no branch.
        const double unitHalf = binade * 0x1p-53;
        const double openError = deviationError + magnitude * 0x1p-51 + 0x1p-1020;
        const double halfUnit = binade != magnitude ? unitHalf : 0.0;
        phase[i] = sum;
        error[i] = slack < halfUnit ? 0.0 : openError;
    }
}

// sin of the phases, with the phases' error bounds grown by the sine's.
TONQUELLE_VECTOR_CLONES void SineShapes(const double* phase, const double* phaseError,
                                        std::int32_t frames, double* shape, double* shapeError) {
#pragma omp simd
    for (std::int32_t i = 0; i < frames; ++i) {
        shape[i] = std::sin(ReducePhase(phase[i]));
    }
#pragma omp simd
    for (std::int32_t i = 0; i < frames; ++i) {
        shapeError[i] = TrigErrorAt(phase[i]) + phaseError[i];
    }
}

// Amplitude factors of sine amplitude modulation, in the defined order of operations but with
// the vector sine.
TONQUELLE_VECTOR_CLONES void SineAMFactors(const Plan& p, const double* t, std::int32_t frames,
                                           double* factor) {
#pragma omp simd
    for (std::int32_t i = 0; i < frames; ++i) {
        factor[i] = std::sin(ReducePhase(p.AMAngular * t[i]));
    }
#pragma omp simd
    for (std::int32_t i = 0; i < frames; ++i) {
        factor[i] = factor[i] * p.AMSpan / 2 + p.AMMiddle;
    }
}

// Code scale and offset as StoreSample forms the code: ((v + 1) · 255) / 2 at 8 bits, v · scale
// otherwise. The 24-bit code is cut from the 32-bit one, so its boundaries are among those.
struct CodeForm {
    double Offset;
    double Scale;
    double Divisor;
};

CodeForm CodeFormOf(std::int32_t resolution) {
    switch (resolution / 8) {
        case 1:
            return {1.0, 255.0, 2.0};
        case 2:
            return {0.0, 32767.0, 1.0};
        default:
            return {0.0, 2147483647.0, 1.0};
    }
}

// Marks a code that is not proven; no value gives it (the lowest code is −2147483647).
constexpr std::int32_t OpenCode = std::numeric_limits<std::int32_t>::min();

// The 32-bit codes of the values (StoreSample's code before it is cut to the sample's width);
// OpenCode where the code is not proven to be the code of the defined value. Returns the number
// of open codes. A code changes only where the scaled value crosses a half-integer; the two
// values give the same code when the defined one cannot reach the half-integer nearest to ours.
TONQUELLE_VECTOR_CLONES std::int32_t Codes(const CodeForm& form, const double* shape,
                                           const double* shapeError, const double* factor,
                                           double factorError, std::int32_t frames,
                                           std::int32_t* code) {
    std::int32_t open = 0;
#pragma omp simd reduction(+ : open)
    for (std::int32_t i = 0; i < frames; ++i) {
        double value = shape[i] * factor[i];
        const double valueError = (std::fabs(factor[i]) + factorError) * shapeError[i] +
                                  (std::fabs(shape[i]) + shapeError[i]) * factorError +
                                  std::fabs(value) * 0x1p-51;
        // Clipping as StoreSample does; it brings neither value further from the other.
        value = value > 1.0 ? 1.0 : (value >= -1.0 ? value : (value < -1.0 ? -1.0 : 0.0));
        const double scaled = (value + form.Offset) * form.Scale / form.Divisor;
        const double nearest = (scaled + RoundingShifter) - RoundingShifter;
        const double room = 0.5 - std::fabs(scaled - nearest);
        const double scaledError =
            valueError * (form.Scale / form.Divisor) + std::fabs(scaled) * 0x1p-50;
        const bool proven = room > scaledError;
        code[i] = proven ? static_cast<std::int32_t>(nearest) : OpenCode;
        open += proven ? 0 : 1;
    }
    return open;
}

// Writes the low `Bytes` bytes of each code (8, 16, 32 bits) or bytes 1..3 (24 bits).
template <int Bytes>
void WriteCodes(const std::int32_t* code, std::int32_t frames, std::uint8_t* out,
                std::int32_t frameBytes) {
    for (std::int32_t i = 0; i < frames; ++i) {
        auto word = static_cast<std::uint32_t>(code[i]);
        if constexpr (Bytes == 3) {
            word >>= 8;
        }
        std::uint8_t bytes[4];
        for (int b = 0; b < 4; ++b) {
            bytes[b] = static_cast<std::uint8_t>(word >> (8 * b));
        }
        std::memcpy(out + static_cast<std::ptrdiff_t>(i) * frameBytes, bytes, Bytes);
    }
}

}  // namespace

struct FastChannelRenderer::Block {
    double Phase[RenderBlockFrames];
    double PhaseError[RenderBlockFrames];  // 0: exactly the defined phase
    double Shape[RenderBlockFrames];
    double ShapeError[RenderBlockFrames];
    double Amplitude[RenderBlockFrames];
    std::int32_t Code[RenderBlockFrames];
};

void BlockTimes(std::int64_t firstFrame, std::int32_t sampleRate, std::int32_t frames, double* t) {
    // first + i is the exact double of the frame number for any counter below 2^53.
    const double first = static_cast<double>(firstFrame);
    const double rate = static_cast<double>(sampleRate);
#pragma omp simd
    for (std::int32_t i = 0; i < frames; ++i) {
        t[i] = (first + static_cast<double>(i)) / rate;
    }
}

FastChannelRenderer::FastChannelRenderer(const ChannelSettings& settings,
                                         const ChannelTables& tables, std::int32_t resolution)
    : settings_(settings), tables_(tables), resolution_(resolution) {
    const ChannelSettings& s = settings;
    fastFM_ =
        (s.Flags & FlagFM) != 0 && s.FMFrequency != 0.0 && s.FMWaveform == WaveformIndex::Sine;
    fastCarrier_ = s.Waveform == WaveformIndex::Sine;
    fastAM_ = (s.Flags & FlagAM) != 0 && s.AMWaveform == WaveformIndex::Sine;
}

void FastChannelRenderer::Render(const double* t, std::int32_t frames, std::uint8_t* out,
                                 std::int32_t frameBytes) const {
    if (frames <= 0) {
        return;
    }
    const ChannelSettings& s = settings_;
    if ((s.Flags & FlagMute) != 0 || !(fastFM_ || fastCarrier_ || fastAM_)) {
        // Nothing to gain from vector code: every sample the defined way.
        for (std::int32_t i = 0; i < frames; ++i) {
            std::uint8_t* cursor = out + static_cast<std::ptrdiff_t>(i) * frameBytes;
            StoreSample(ChannelValue(s, tables_, t[i]), cursor, resolution_);
        }
        return;
    }
    Plan plan{};
    plan.PhaseShift = s.PhaseShift;
    plan.CentreSum = s.FMMaxFreq + s.FMMinFreq;
    plan.Span = s.FMMaxFreq - s.FMMinFreq;
    plan.FMAngular = s.FMFrequency * TwoPi;
    plan.FMDeviation = TwoPi * plan.Span / 2 / plan.FMAngular;
    // The deviation is I(x) / (2π·F) · 2π · (max − min) / 2: an error in I scales by
    // |max − min| / (2·|F|).
    plan.FMErrorScale = std::fabs(plan.Span) / (2.0 * std::fabs(s.FMFrequency)) * (1.0 + 1e-9);
    plan.AMAngular = s.AMFrequency * TwoPi;
    plan.AMSpan = s.AMMaxAmp - s.AMMinAmp;
    plan.AMMiddle = (s.AMMaxAmp + s.AMMinAmp) / 2;
    plan.AMErrorScale = std::fabs(plan.AMSpan) + std::fabs(s.AMMaxAmp + s.AMMinAmp);

    // The time base rises through the block, so the largest modulation phases are at its ends.
    const double lastTime = std::fmax(std::fabs(t[0]), std::fabs(t[frames - 1]));
    Block block;
    if (fastFM_) {
        const double deviationError =
            plan.FMErrorScale * (TrigErrorAt(plan.FMAngular * lastTime) + DeviationRounding);
        SineFMPhases(plan, t, frames, deviationError, block.Phase, block.PhaseError, block.Shape);
    } else if ((s.Flags & FlagFM) == 0) {
        PlainPhases(s.Frequency * TwoPi, s.PhaseShift, t, frames, block.Phase, block.PhaseError);
    } else {
        for (std::int32_t i = 0; i < frames; ++i) {
            block.Phase[i] = CarrierPhase(s, t[i]);
            block.PhaseError[i] = 0.0;
        }
    }
    if (fastCarrier_) {
        SineShapes(block.Phase, block.PhaseError, frames, block.Shape, block.ShapeError);
    } else {
        // The other shapes are evaluated the defined way, from a proven phase only.
        for (std::int32_t i = 0; i < frames; ++i) {
            const bool exact = block.PhaseError[i] == 0.0;
            block.Shape[i] =
                exact ? ShapeValue(s.Waveform, block.Phase[i], tables_[WaveformSlotCarrier]) : 0.0;
            block.ShapeError[i] = exact ? 0.0 : Unproven;
        }
    }
    double amplitudeError = 0.0;
    if (fastAM_) {
        SineAMFactors(plan, t, frames, block.Amplitude);
        amplitudeError =
            plan.AMErrorScale * (TrigErrorAt(plan.AMAngular * lastTime) + AmplitudeRounding);
    } else {
        for (std::int32_t i = 0; i < frames; ++i) {
            block.Amplitude[i] = AmplitudeFactor(s, tables_[WaveformSlotAM], t[i]);
        }
    }
    const std::int32_t open = Codes(CodeFormOf(resolution_), block.Shape, block.ShapeError,
                                    block.Amplitude, amplitudeError, frames, block.Code);
    switch (resolution_ / 8) {
        case 1:
            WriteCodes<1>(block.Code, frames, out, frameBytes);
            break;
        case 2:
            WriteCodes<2>(block.Code, frames, out, frameBytes);
            break;
        case 3:
            WriteCodes<3>(block.Code, frames, out, frameBytes);
            break;
        case 4:
            WriteCodes<4>(block.Code, frames, out, frameBytes);
            break;
        default:
            return;  // no sample width: StoreSample writes nothing either
    }
    // The few samples whose code the error bound leaves open: the defined way.
    for (std::int32_t i = 0; open > 0 && i < frames; ++i) {
        if (block.Code[i] == OpenCode) {
            std::uint8_t* cursor = out + static_cast<std::ptrdiff_t>(i) * frameBytes;
            StoreSample(ChannelValue(s, tables_, t[i]), cursor, resolution_);
        }
    }
}

}  // namespace tonquelle
