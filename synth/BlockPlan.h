#pragma once

#include <cstdint>
#include <numbers>

#include "records/ChannelSettings.h"
#include "records/Limits.h"
#include "synth/LogSweep.h"
#include "synth/Noise.h"

namespace tonquelle {

// Frames rendered per step: the time base, the modulators and every channel's codes of a block
// are computed in arrays that stay in the first-level cache.
inline constexpr std::int32_t RenderBlockFrames = 256;
// Elements per vector in the block kernels; blocks are padded to whole vectors.
inline constexpr std::int32_t VectorLanes = 4;

// A shape as the block kernels evaluate it: the built-in shapes, a user table, or constant 0
// (an unknown index or an empty table). A new shape gets an entry here, its mapping from the
// waveform index and its largest value (ChannelPlans.cpp), its values in the defined operations
// (ShapeAt in SimdKernels.inc) and, as a carrier, its error from an inexact phase (Carrier).
enum class ShapeKind : std::int32_t { Sine, Triangle, SawFalling, SawRising, Square, User, Zero };
inline constexpr std::int32_t ShapeKindCount = 7;

// A user table with the figures its error bound needs.
struct UserShape {
    const double* Points = nullptr;
    std::int32_t Count = 0;
    double PositionScale = 0.0;  // Count / 2π, as WaveUser forms it
    // |value error| per radian of phase error (the steepest segment), and the bound of the
    // roundings of two evaluations at the same phase.
    double Slope = 0.0;
    double Rounding = 0.0;
    double Largest = 0.0;  // the largest |point|
};

// A modulator shared by every channel with the same modulation: the shape (or, for frequency
// modulation, the shape's integral) at Angular · t. A noise (a noise carrier or amplitude
// modulation) belongs to one channel: its values are those of the generator with NoiseKey, for
// the carrier unclipped, for the amplitude modulation clipped to ±1.
struct ModulatorPlan {
    ShapeKind Shape = ShapeKind::Zero;
    NoiseColour Noise = NoiseColour::None;
    std::uint64_t NoiseKey = 0;
    bool ClipNoise = false;
    bool Integral = false;  // frequency modulation: 2π · I(x) / Angular; else the shape at x
    double Angular = 0.0;   // FMFrequency · 2π or AMFrequency · 2π
    double DeviationScale = 0.0;  // 2π / Angular, for the sine's integral
    UserShape Table;              // amplitude modulation with a user shape
    // Bound of |own value − defined value| for every value of the modulator; 0: exact.
    double Error = 0.0;
    // Computed with the library's functions, one value at a time: the defined values.
    bool Defined = false;
};

// How the carrier phase is formed.
enum class PhaseKind : std::int32_t {
    Plain,      // Frequency · 2π · t + PhaseShift
    Centre,     // frequency modulation at 0 Hz: t · 2π · (max + min) / 2 + PhaseShift
    Modulated,  // the centre phase plus (modulator · (max − min)) / 2
    LogSweep,   // a logarithmic sweep's, from its shape (ChannelPlan::Sweep)
};

// How a channel's codes are proven (see the block kernels' Codes).
enum class ValueBound : std::int32_t {
    Exact,      // every value is the defined double: no bound needed
    Constant,   // full scale cannot be passed: one bound for the channel, grown with shape errors
    PerSample,  // values may pass full scale: a bound per value, clipping taken into account
};

// The constants of one channel's block evaluation, built per buffer from its live settings.
struct ChannelPlan {
    const ChannelSettings* Settings = nullptr;  // the live settings the plan was made from
    // Muted, or every value too small for another code than zero, or NaN.
    bool Muted = false;
    PhaseKind Phase = PhaseKind::Plain;
    ShapeKind Carrier = ShapeKind::Zero;
    // A noise carrier (Carrier is then Zero): its values are those of modulator NoiseModulator.
    NoiseColour CarrierNoise = NoiseColour::None;
    std::int32_t NoiseModulator = -1;
    // The square's edge from +1 to −1: DutyCycle / 100 · 2π (never NaN: such a square is muted).
    double PulseEdge = std::numbers::pi;
    bool AmplitudeModulated = false;
    bool ExactDeviation = true;  // the modulator's values are the defined ones

    // Frequency · 2π; for a logarithmic sweep a bound of its phase's growth per second (with
    // LargestDeviation the bound of the phase beyond it).
    double Angular = 0.0;
    double PhaseShift = 0.0;  // radians
    double CentreSum = 0.0;   // FMMaxFreq + FMMinFreq
    double Span = 0.0;        // FMMaxFreq − FMMinFreq
    // Bound of |own deviation − defined deviation|, and of |deviation|.
    double DeviationError = 0.0;
    double LargestDeviation = 0.0;
    std::int32_t FMModulator = -1;         // index into the block's modulator values
    const LogSweepShape* Sweep = nullptr;  // PhaseKind::LogSweep: the sweep, in BufferPlans

    UserShape CarrierTable;

    double Amplitude = 0.0;
    double AMSpan = 0.0;    // AMMaxAmp − AMMinAmp
    double AMMiddle = 0.0;  // (AMMaxAmp + AMMinAmp) / 2
    double AmplitudeError = 0.0;
    std::int32_t AMModulator = -1;

    std::int32_t Resolution = 16;
    double CodeScale = 32767.0;  // StoreSample's factor (8 bits: (v + 1) · 255 / 2 instead)
    std::int32_t CodeShift = 0;  // 8 for 24 bits: the upper three bytes of the 32-bit code

    ValueBound Bound = ValueBound::Exact;
    // The error of the shape that is the same for every phase (the own sine's).
    double ShapeError = 0.0;
    // From a value error to the error of the scaled value, with the margin of its rounding.
    double CodeErrorScale = 0.0;
    // ValueBound::Constant: how far from its nearest whole number a scaled value may lie with
    // its code proven (½ less the error bound for an exact phase), and how much that shrinks
    // per unit of shape error.
    double Room = 0.0;
    double ErrorPerShapeError = 0.0;
};

// One bit per frame of a block: set where the code is open.
inline constexpr std::int32_t OpenWords = RenderBlockFrames / 64;

// What a block's channels read: the time base and the values of the distinct modulators, each
// for RenderBlockFrames frames (padded to whole vectors).
struct BlockValues {
    alignas(64) double Time[RenderBlockFrames];       // t = frame / rate
    alignas(64) double TimeAngle[RenderBlockFrames];  // t · 2π
    alignas(64) double Modulators[2 * MaxChannels][RenderBlockFrames];
};

}  // namespace tonquelle
