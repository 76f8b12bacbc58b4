#include "synth/LogSweep.h"

#include <algorithm>
#include <cmath>

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

// ∫ r^e ds over the pieces from 0 to s (0 ≤ s ≤ 1), with LogRatio = ln r.
double PiecewiseIntegral(const LogSweepShape& shape, double s) {
    double sum = 0.0;
    for (int k = 0; k < shape.PieceCount; ++k) {
        const ExponentPiece& piece = shape.Pieces[k];
        const double length = std::min(s, piece.To) - piece.From;
        if (length <= 0.0) {
            break;
        }
        sum +=
            shape.PieceFactors[k] * length * RelativeGrowth(piece.Slope * shape.LogRatio * length);
    }
    return sum;
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
    std::array<double, MaxBesselTerms>& values = shape.Bessel;
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

// ∫ r^((sin 2πσ + 1) / 2) dσ from 0 to s, divided by max(r, 1), with a = ln r / 2:
// e^(a sin θ) = I0(a) + 2 Σ (−1)^k I_{2k+1}(a) sin((2k+1)θ) + 2 Σ_{k≥1} (−1)^k I_{2k}(a) cos(2kθ)
// integrated term by term (e^a I_k(a) = max(r, 1) · e^-|a| I_k(|a|), times (−1)^k for a < 0).
// The sines and cosines of nθ come from the first pair by the Chebyshev recurrence.
double SineIntegral(const LogSweepShape& shape, double s) {
    const double theta = TwoPi * s;
    const double sinTheta = std::sin(theta);
    const double cosTheta = std::cos(theta);
    double sum = shape.Bessel[0] * theta;
    double sinPrevious = 0.0, cosPrevious = 1.0;  // n − 1
    double sinN = sinTheta, cosN = cosTheta;      // n
    for (int n = 1; n < shape.BesselTerms; ++n) {
        sum += shape.Bessel[n] * (n % 2 == 1 ? (1.0 - cosN) : sinN);
        const double sinNext = 2.0 * cosTheta * sinN - sinPrevious;
        const double cosNext = 2.0 * cosTheta * cosN - cosPrevious;
        sinPrevious = sinN;
        cosPrevious = cosN;
        sinN = sinNext;
        cosN = cosNext;
    }
    return sum / TwoPi;
}

}  // namespace

bool LogarithmicSweep(const ChannelSettings& s) {
    const std::int32_t both = FlagFM | FlagFMLog;
    return (s.Flags & both) == both && s.FMMinFreq > 0.0 && s.FMMaxFreq > 0.0;
}

LogSweepShape MakeLogSweepShape(const ChannelSettings& s) {
    LogSweepShape shape;
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
        shape.Scale = std::max(s.FMMinFreq, s.FMMaxFreq);  // FMMinFreq · max(r, 1)
        shape.Period = shape.Bessel[0];
    } else {
        shape.Scale = s.FMMinFreq;
        for (int k = 0; k < shape.PieceCount; ++k) {
            shape.PieceFactors[k] = std::exp(shape.Pieces[k].Start * shape.LogRatio);
        }
        shape.Period = PiecewiseIntegral(shape, 1.0);
    }
    return shape;
}

double LogSweepPhase(const ChannelSettings& s, const LogSweepShape& shape, double t) {
    if (!shape.Modulated) {
        // The frequency fixed at the geometric centre (w = 0).
        return t * TwoPi * std::sqrt(s.FMMinFreq * s.FMMaxFreq) + s.PhaseShift;
    }
    if (shape.BesselTerms < 0) {
        return std::nan("");
    }
    // The time base in FM periods: whole ones and the part of the current one.
    const double u = s.FMFrequency * t;
    const double whole = std::floor(u);
    const double part = u - whole;
    const double partial = shape.Sine ? SineIntegral(shape, part) : PiecewiseIntegral(shape, part);
    const double cycles = (whole * shape.Period + partial) * (shape.Scale / s.FMFrequency);
    return cycles * TwoPi + s.PhaseShift;
}

double LogSweepPhase(const ChannelSettings& s, double t) {
    return LogSweepPhase(s, MakeLogSweepShape(s), t);
}

}  // namespace tonquelle
