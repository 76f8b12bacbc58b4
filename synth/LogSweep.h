#pragma once

#include <array>

#include "records/ChannelSettings.h"

namespace tonquelle {

// Whether the channel sweeps logarithmically: FlagFM and FlagFMLog set and both limits above
// 0 Hz (a limit ≤ 0 or NaN leaves the linear sweep).
bool LogarithmicSweep(const ChannelSettings& s);

// A stretch of the FM period (in periods, 0..1) on which the exponent e of the ratio,
// (w + 1) / 2, is linear: e = Start + Slope · (s − From).
struct ExponentPiece {
    double From;
    double To;
    double Start;
    double Slope;
};

// Everything a sweep's phase needs beyond the time, the same for every sample: made once per
// buffer by the renderer, once per call by LogSweepPhase(s, t). Settings without a logarithmic
// sweep give an unmodulated shape at little cost.
inline constexpr int MaxBesselTerms = 320;
struct LogSweepShape {
    bool Modulated = false;  // false: no deviation (w = 0), the frequency Centre throughout
    bool Sine = false;
    double FMFrequency = 0.0;
    double PhaseShift = 0.0;
    double Centre = 0.0;  // √(FMMinFreq · FMMaxFreq), the frequency at w = 0

    // The saws, the triangle and the square: the integral over piece k up to s is
    // Before[k] + PieceFactors[k] · (s − From) · (e^y − 1) / y with y = PieceGrowth[k] · (s −
    // From).
    std::array<ExponentPiece, 3> Pieces{};
    int PieceCount = 0;
    std::array<double, 3> PieceFactors{};  // r^Start of each piece
    std::array<double, 3> PieceGrowth{};   // Slope · ln r
    std::array<double, 3> Before{};        // the integral over the pieces before it

    double LogRatio = 0.0;    // ln(FMMaxFreq / FMMinFreq)
    double Period = 0.0;      // the integral over one FM period, in units of Scale
    double Scale = 0.0;       // the frequency the integrals are in units of
    double CycleScale = 0.0;  // Scale / FMFrequency: from integrals to carrier cycles

    // The sine: with x = |LogRatio| / 2, e^-x · I_0(x) and for k = 1 … BesselTerms − 1 the
    // factors 2 · (±1) · e^-x · I_k(x) / k of the integrated series (BesselTerms −1: beyond
    // range); zero beyond the last term (one more entry, for the kernels' pairs of terms).
    std::array<double, MaxBesselTerms + 1> Bessel{};
    int BesselTerms = 0;
    // The factors of the odd terms summed from n = 1 up, as the series sums them at θ = 0.
    double OddBesselSum = 0.0;
};
LogSweepShape MakeLogSweepShape(const ChannelSettings& s);

// The carrier phase in radians at time t of a logarithmic sweep: PhaseShift plus 2π times the
// integral from 0 to t of the instantaneous frequency FMMinFreq · (FMMaxFreq / FMMinFreq)^((w + 1)
// / 2), w the FM shape's value. Whole FM periods are counted and multiplied by the integral over
// one period, the partial period integrated in closed form. Shapes without an integral (the user
// shape, unknown indices) and FMFrequency 0 give no deviation (w = 0). The arithmetic is the
// chosen block kernels' (SweepPhases), so the renderer's vector code gives the same doubles.
double LogSweepPhase(const ChannelSettings& s, double t);
// The same with the shape made beforehand (the same doubles).
double LogSweepPhase(const LogSweepShape& shape, double t);

}  // namespace tonquelle
