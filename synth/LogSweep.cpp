#include "synth/LogSweep.h"

#include <algorithm>
#include <cmath>

#include "synth/BlockKernels.h"
#include "synth/WaveShapes.h"

namespace tonquelle {

namespace {

// The exponent pieces of the saws, the triangle and the square into `shape`; false for the
// other shapes.
bool SetPieces(std::int32_t index, LogSweepShape& shape) {
    switch (index) {
        case WaveformIndex::Triangle:  // 0 at 0, +1 at ¼, −1 at ¾
            shape.Pieces = {
                {{0.0, 0.25, 0.5, 2.0}, {0.25, 0.75, 1.0, -2.0}, {0.75, 1.0, 0.0, 2.0}}};
            shape.PieceCount = 3;
            return true;
        case WaveformIndex::SawFalling:
            shape.Pieces = {{{0.0, 1.0, 1.0, -1.0}}};
            shape.PieceCount = 1;
            return true;
        case WaveformIndex::SawRising:
            shape.Pieces = {{{0.0, 1.0, 0.0, 1.0}}};
            shape.PieceCount = 1;
            return true;
        case WaveformIndex::Square:
            shape.Pieces = {{{0.0, 0.5, 1.0, 0.0}, {0.5, 1.0, 0.0, 0.0}}};
            shape.PieceCount = 2;
            return true;
        default:
            return false;
    }
}

// expm1(y) / y, 1 at 0: no cancellation for small y.
double RelativeGrowth(double y) {
    return y == 0.0 ? 1.0 : std::expm1(y) / y;
}

// The integrals over the whole pieces before each, and over the period.
void SetPieceIntegrals(LogSweepShape& shape) {
    double sum = 0.0;
    for (int k = 0; k < shape.PieceCount; ++k) {
        const ExponentPiece& piece = shape.Pieces[k];
        const double length = piece.To - piece.From;
        shape.PieceFactors[k] = std::exp(piece.Start * shape.LogRatio);
        shape.PieceGrowth[k] = piece.Slope * shape.LogRatio;
        shape.Before[k] = sum;
        sum += shape.PieceFactors[k] * length * RelativeGrowth(shape.PieceGrowth[k] * length);
    }
    shape.Period = sum;
}

// The modified Bessel functions e^-x · I_k(x), k = 0..terms − 1, for x ≥ 0 by Miller's backward
// recurrence I_{k−1} = I_{k+1} + 2k / x · I_k, normalised by I_0 + 2 Σ I_k = e^x.
void SetScaledBessel(double x, LogSweepShape& shape) {
    // e^-x I_k(x) ≈ exp(−k² / 2x) for large x, (x/2)^k / k! for small: below 1e-19 of I_0 by
    // 8 + 9.5 √x terms. Where even the largest count falls short (x beyond several hundred,
    // ratios no double holds) the phase is NaN.
    const double count = 8.0 + std::ceil(9.5 * std::sqrt(x));
    if (!(count <= MaxBesselTerms)) {  // NaN and infinity too
        shape.BesselTerms = -1;
        return;
    }
    const auto terms = static_cast<int>(count);
    shape.BesselTerms = terms;
    std::array<double, MaxBesselTerms + 1>& values = shape.Bessel;
    if (x == 0.0) {
        values[0] = 1.0;
        return;
    }
    double above = 0.0;
    double current = 1e-280;
    double norm = 0.0;
    for (int k = 2 * terms + 20; k > 0; --k) {
        const double below = above + 2.0 * k / x * current;
        above = current;
        current = below;
        if (k - 1 < terms) {
            values[k - 1] = current;
        }
        norm += k - 1 == 0 ? current : 2.0 * current;
        if (current > 1e250) {  // keep the recurrence within range
            above *= 1e-250;
            current *= 1e-250;
            norm *= 1e-250;
            for (int j = k - 1; j < terms; ++j) {
                values[j] *= 1e-250;
            }
        }
    }
    for (int k = 0; k < terms; ++k) {
        values[k] /= norm;
    }
}

}  // namespace

bool LogarithmicSweep(const ChannelSettings& s) {
    const std::int32_t both = FlagFM | FlagFMLog;
    return (s.Flags & both) == both && s.FMMinFreq > 0.0 && s.FMMaxFreq > 0.0;
}

LogSweepShape MakeLogSweepShape(const ChannelSettings& s) {
    LogSweepShape shape;
    shape.FMFrequency = s.FMFrequency;
    shape.PhaseShift = s.PhaseShift;
    shape.Centre = std::sqrt(s.FMMinFreq * s.FMMaxFreq);
    shape.Sine = s.FMWaveform == WaveformIndex::Sine;
    shape.Modulated = LogarithmicSweep(s) && s.FMFrequency != 0.0 &&
                      (shape.Sine || SetPieces(s.FMWaveform, shape));
    if (!shape.Modulated) {
        return shape;
    }
    shape.LogRatio = std::log(s.FMMaxFreq / s.FMMinFreq);
    if (shape.Sine) {
        SetScaledBessel(std::fabs(shape.LogRatio / 2), shape);
        for (int n = 1; n < shape.BesselTerms; ++n) {
            const bool falling = shape.LogRatio < 0.0;
            const double sign =
                ((n / 2) % 2 == 0 ? 1.0 : -1.0) * (falling && n % 2 == 1 ? -1.0 : 1.0);
            shape.Bessel[n] = 2.0 * sign * shape.Bessel[n] / n;
        }
        // Terms below 2^-60 of the first change no sum a double holds.
        while (shape.BesselTerms > 1 &&
               std::fabs(shape.Bessel[shape.BesselTerms - 1]) < 0x1p-60 * shape.Bessel[0]) {
            shape.Bessel[--shape.BesselTerms] = 0.0;
        }
        for (int n = 1; n < shape.BesselTerms; n += 2) {
            shape.OddBesselSum += shape.Bessel[n];
        }
        shape.Scale = std::max(s.FMMinFreq, s.FMMaxFreq);  // FMMinFreq · max(r, 1)
        shape.Period = shape.Bessel[0];
    } else {
        shape.Scale = s.FMMinFreq;
        SetPieceIntegrals(shape);
    }
    shape.CycleScale = shape.Scale / s.FMFrequency;
    return shape;
}

double LogSweepPhase(const LogSweepShape& shape, double t) {
    double phase;
    // The set the renderer runs. Where the C library's fma is correctly rounded every set gives
    // the same doubles; mingw-w64's (Windows) is not, and there the baseline set's differ.
    ChosenKernels().SweepPhases(shape, &t, 1, &phase);
    return phase;
}

double LogSweepPhase(const ChannelSettings& s, double t) {
    return LogSweepPhase(MakeLogSweepShape(s), t);
}

}  // namespace tonquelle
