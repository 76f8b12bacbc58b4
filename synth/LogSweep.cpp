#include "synth/LogSweep.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "synth/WaveShapes.h"

namespace tonquelle {

namespace {

// A stretch of the FM period (in periods, 0..1) on which the exponent e of the ratio,
// (w + 1) / 2, is linear: e = Start + Slope · (s − From).
struct ExponentPiece {
    double From;
    double To;
    double Start;
    double Slope;
};

// The pieces of the saws, the triangle and the square; none for other shapes.
struct PieceList {
    std::array<ExponentPiece, 3> Pieces;
    int Count = 0;
};

PieceList PiecesOf(std::int32_t index) {
    switch (index) {
        case WaveformIndex::Triangle:  // 0 at 0, +1 at ¼, −1 at ¾
            return {{{{0.0, 0.25, 0.5, 2.0}, {0.25, 0.75, 1.0, -2.0}, {0.75, 1.0, 0.0, 2.0}}}, 3};
        case WaveformIndex::SawFalling:
            return {{{{0.0, 1.0, 1.0, -1.0}}}, 1};
        case WaveformIndex::SawRising:
            return {{{{0.0, 1.0, 0.0, 1.0}}}, 1};
        case WaveformIndex::Square:
            return {{{{0.0, 0.5, 1.0, 0.0}, {0.5, 1.0, 0.0, 0.0}}}, 2};
        default:
            return {};
    }
}

// expm1(y) / y, 1 at 0: no cancellation for small y.
double RelativeGrowth(double y) {
    return y == 0.0 ? 1.0 : std::expm1(y) / y;
}

// ∫ r^e ds over the pieces from 0 to s (0 ≤ s ≤ 1), with logRatio = ln r.
double PiecewiseIntegral(const PieceList& list, double logRatio, double s) {
    double sum = 0.0;
    for (int k = 0; k < list.Count; ++k) {
        const ExponentPiece& piece = list.Pieces[k];
        const double length = std::min(s, piece.To) - piece.From;
        if (length <= 0.0) {
            break;
        }
        sum += std::exp(piece.Start * logRatio) * length *
               RelativeGrowth(piece.Slope * logRatio * length);
    }
    return sum;
}

// The modified Bessel functions e^-x · I_k(x), k = 0..Terms − 1, for x ≥ 0 by Miller's backward
// recurrence I_{k−1} = I_{k+1} + 2k / x · I_k, normalised by I_0 + 2 Σ I_k = e^x.
constexpr int MaxBesselTerms = 320;
struct ScaledBessel {
    std::array<double, MaxBesselTerms> Values{};
    int Terms = 0;
};

ScaledBessel ScaledBesselOf(double x) {
    ScaledBessel bessel;
    // e^-x I_k(x) ≈ exp(−k² / 2x) for large x, (x/2)^k / k! for small: below 1e-19 of I_0 by
    // 8 + 9.5 √x terms. Where even the largest count falls short (x beyond several hundred,
    // ratios no double holds) the phase is NaN.
    const int terms = 8 + static_cast<int>(std::ceil(9.5 * std::sqrt(x)));
    if (!(terms <= MaxBesselTerms)) {
        bessel.Terms = -1;
        return bessel;
    }
    bessel.Terms = terms;
    if (x == 0.0) {
        bessel.Values[0] = 1.0;
        return bessel;
    }
    double above = 0.0;
    double current = 1e-280;
    double norm = 0.0;
    for (int k = 2 * terms + 20; k > 0; --k) {
        const double below = above + 2.0 * k / x * current;
        above = current;
        current = below;
        if (k - 1 < terms) {
            bessel.Values[k - 1] = current;
        }
        norm += k - 1 == 0 ? current : 2.0 * current;
        if (current > 1e250) {  // keep the recurrence within range
            above *= 1e-250;
            current *= 1e-250;
            norm *= 1e-250;
            for (int j = k - 1; j < terms; ++j) {
                bessel.Values[j] *= 1e-250;
            }
        }
    }
    for (int k = 0; k < terms; ++k) {
        bessel.Values[k] /= norm;
    }
    return bessel;
}

// ∫ r^((sin 2πσ + 1) / 2) dσ from 0 to s, divided by max(r, 1), with a = ln r / 2:
// e^(a sin θ) = I0(a) + 2 Σ (−1)^k I_{2k+1}(a) sin((2k+1)θ) + 2 Σ_{k≥1} (−1)^k I_{2k}(a) cos(2kθ)
// integrated term by term (e^a I_k(a) = max(r, 1) · e^-|a| I_k(|a|), times (−1)^k for a < 0).
// The sines and cosines of nθ come from the first pair by the Chebyshev recurrence.
double SineIntegral(const ScaledBessel& bessel, double a, double s) {
    const double theta = TwoPi * s;
    const double sinTheta = std::sin(theta);
    const double cosTheta = std::cos(theta);
    double sum = bessel.Values[0] * theta;
    double sinPrevious = 0.0, cosPrevious = 1.0;  // n − 1
    double sinN = sinTheta, cosN = cosTheta;      // n
    for (int n = 1; n < bessel.Terms; ++n) {
        const double sign = ((n / 2) % 2 == 0 ? 1.0 : -1.0) * (a < 0.0 && n % 2 == 1 ? -1.0 : 1.0);
        const double term = n % 2 == 1 ? (1.0 - cosN) : sinN;
        sum += 2.0 * sign * bessel.Values[n] * term / n;
        const double sinNext = 2.0 * cosTheta * sinN - sinPrevious;
        const double cosNext = 2.0 * cosTheta * cosN - cosPrevious;
        sinPrevious = sinN;
        cosPrevious = cosN;
        sinN = sinNext;
        cosN = cosNext;
    }
    return sum / TwoPi;
}

// The phase with the frequency fixed at the geometric centre (w = 0).
double CentrePhase(const ChannelSettings& s, double t) {
    return t * TwoPi * std::sqrt(s.FMMinFreq * s.FMMaxFreq) + s.PhaseShift;
}

}  // namespace

bool LogarithmicSweep(const ChannelSettings& s) {
    const std::int32_t both = FlagFM | FlagFMLog;
    return (s.Flags & both) == both && s.FMMinFreq > 0.0 && s.FMMaxFreq > 0.0;
}

double LogSweepPhase(const ChannelSettings& s, double t) {
    const PieceList pieces = PiecesOf(s.FMWaveform);
    const bool sine = s.FMWaveform == WaveformIndex::Sine;
    if (s.FMFrequency == 0.0 || (!sine && pieces.Count == 0)) {
        return CentrePhase(s, t);
    }
    const double logRatio = std::log(s.FMMaxFreq / s.FMMinFreq);
    // The time base in FM periods: whole ones and the part of the current one.
    const double u = s.FMFrequency * t;
    const double whole = std::floor(u);
    const double part = u - whole;
    double period = 0.0, partial = 0.0, scale = s.FMMinFreq;
    if (sine) {
        const double a = logRatio / 2;
        const ScaledBessel bessel = ScaledBesselOf(std::fabs(a));
        if (bessel.Terms < 0) {
            return std::nan("");
        }
        scale = std::max(s.FMMinFreq, s.FMMaxFreq);  // FMMinFreq · max(r, 1)
        period = bessel.Values[0];
        partial = SineIntegral(bessel, a, part);
    } else {
        period = PiecewiseIntegral(pieces, logRatio, 1.0);
        partial = PiecewiseIntegral(pieces, logRatio, part);
    }
    const double cycles = (whole * period + partial) * (scale / s.FMFrequency);
    return cycles * TwoPi + s.PhaseShift;
}

}  // namespace tonquelle
