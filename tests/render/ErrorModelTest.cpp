// Each stage of the error model (synth/ErrorModel.h) on its own. A stage is computed twice, the
// defined way and the block renderer's way, from inputs a known distance apart; its bound must
// cover the distance of the two results for every such pair. The pairs here are the ones that
// stretch a bound the most: inputs one to a few units in the last place apart (so that the
// roundings of the two computations decide), or as far apart as the stage's input error allows,
// and phases next to the shapes' jumps. The results are computed here with the operations each
// computation makes, in double; the true sine and cosine in extended precision.

#include <gtest/gtest.h>

#if defined(_WIN32)
#include <quadmath.h>
#endif

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "synth/BlockKernels.h"
#include "synth/ErrorModel.h"
#include "synth/LibraryTrig.h"
#include "tests/render/ReferenceRenderer.h"
#include "tests/render/TestPhases.h"

namespace tonquelle {
namespace {

using reference::TwoPi;
constexpr double Infinite = std::numeric_limits<double>::infinity();

// x moved by 1 to `steps` units in its last place, each way.
std::vector<double> Neighbours(double x, int steps) {
    std::vector<double> moved;
    for (double direction : {-Infinite, Infinite}) {
        double y = x;
        for (int k = 0; k < steps; ++k)
            moved.push_back(y = std::nextafter(y, direction));
    }
    return moved;
}

// |a − b| where it is a double (computed exactly in extended precision); none otherwise.
std::optional<double> ExactDistance(double a, double b) {
    const long double exact = std::fabs(static_cast<long double>(a) - b);
    const auto distance = static_cast<double>(exact);
    return static_cast<long double>(distance) == exact ? std::optional(distance) : std::nullopt;
}

// The largest of `differences` relative to its bound: at most 1 where every bound holds.
struct Worst {
    double Ratio = 0.0;
    std::string Where;
    void Add(double difference, double bound, const std::string& where) {
        if (difference > Ratio * bound) {
            Ratio = difference / bound;
            Where = where;
        }
    }
};

std::string Describe(std::initializer_list<double> values) {
    std::string text;
    for (double v : values) {
        char number[32];
        std::snprintf(number, sizeof number, "%.17g ", v);
        text += number;
    }
    return text;
}

std::vector<double> Uniform(std::uint64_t seed, int count, double low, double high) {
    std::mt19937_64 random(seed);
    std::uniform_real_distribution<double> between(low, high);
    std::vector<double> values(count);
    std::ranges::generate(values, [&] { return between(random); });
    return values;
}

// Angular frequencies of frequency modulation: slow, typical, and fast.
const double Angulars[] = {0.1 * TwoPi, 5.0 * TwoPi, 440.0 * TwoPi, -3.0 * TwoPi, 1e8 * TwoPi};

// The true sine (or cosine) of x in extended precision: glibc's long double functions; mingw-w64's
// (Windows) reduce large arguments as inaccurately as its double ones, so there libquadmath's,
// which reduce exactly.
long double TrueSinCos(double x, bool cosine) {
#if defined(_WIN32)
    return static_cast<long double>(cosine ? cosq(x) : sinq(x));
#else
    const auto extended = static_cast<long double>(x);
    return cosine ? std::cos(extended) : std::sin(extended);
#endif
}

// The C library's sine and cosine within LibraryTrigError of the true values, and the own ones
// within OwnTrigError, at phases of every size (the true values in extended precision). Any
// double is up to half a unit in its last place off the true value, so neither figure can be 0.
TEST(ErrorModel, LibraryAndOwnSineAndCosineStayWithinTheirErrorsOfTheTrueValues) {
    if (std::numeric_limits<long double>::digits < 64)
        GTEST_SKIP() << "no extended precision for the true values";
    const std::vector<double> x = test::Phases();
    std::vector<double> sine(x.size()), cosine(x.size());
    for (const BlockKernels* kernels : {&BaselineKernels(), &ChosenKernels()}) {
        kernels->Sines(x.data(), static_cast<std::int32_t>(x.size()), false, sine.data());
        kernels->Sines(x.data(), static_cast<std::int32_t>(x.size()), true, cosine.data());
        long double library = 0.0, own = 0.0;
        for (std::size_t i = 0; i < x.size(); ++i) {
            if (!std::isfinite(x[i]))
                continue;
            const long double trueSine = TrueSinCos(x[i], false);
            const long double trueCosine = TrueSinCos(x[i], true);
            library = std::max({library, std::fabs(LibrarySin(x[i]) - trueSine),
                                std::fabs(LibraryCos(x[i]) - trueCosine)});
            own = std::max({own, std::fabs(sine[i] - trueSine), std::fabs(cosine[i] - trueCosine)});
        }
        EXPECT_LE(library, errors::LibraryTrigError);
        EXPECT_LE(own, errors::OwnTrigError) << kernels->Name;
        RecordProperty("worst_library_trig_error", std::to_string(static_cast<double>(library)));
    }
}

// dd = 2π · (1 − c) / W: the kernels form (1 − c') · fl(2π / W) from their cosine c', the
// definition ((1 − c) / W) · 2π from the library's c. The pairs: every c' up to TrigError from c.
TEST(ErrorModel, SineDeviationCoversEveryCosineWithinItsError) {
    Worst worst;
    for (double angular : Angulars)
        for (double x : Uniform(1, 2000, 0.0, 1e4)) {
            const double c = LibraryCos(x);
            for (double own : Neighbours(c, 16)) {
                const std::optional<double> cosineError = ExactDistance(own, c);
                if (!cosineError || *cosineError > errors::TrigError)
                    continue;
                const double kernels = (1.0 - own) * (TwoPi / angular);
                const double defined = (1.0 - c) / angular * TwoPi;
                worst.Add(std::fabs(kernels - defined),
                          errors::SineDeviationError(angular, *cosineError),
                          Describe({angular, x, own}));
            }
        }
    EXPECT_LE(worst.Ratio, 1.0) << worst.Where;
}

// The deviation (dd · span) / 2, from the kernels' dd' and the defined dd a few units in the last
// place apart, for the spans of typical and wide FM ranges.
TEST(ErrorModel, DeviationCoversTheProductWithTheSpan) {
    Worst worst;
    for (double angular : Angulars)
        for (double span : {440.0, 1234.5, -440.0, 1e5, 2e8})
            for (double dd : Uniform(2, 300, 0.0, 2.0 * TwoPi / std::fabs(angular)))
                for (double own : Neighbours(dd, 4)) {
                    const double kernels = own * span * 0.5;
                    const double defined = dd * span / 2;
                    const double largest = std::max(std::fabs(kernels), std::fabs(defined));
                    worst.Add(std::fabs(kernels - defined),
                              errors::DeviationError(span, *ExactDistance(own, dd), largest),
                              Describe({span, dd, own}));
                }
    EXPECT_LE(worst.Ratio, 1.0) << worst.Where;
}

// The amplitude factor m · span / 2 + middle (span = max − min, middle = (max + min) / 2) from
// the kernels' m' and the defined m a few units in the last place apart.
TEST(ErrorModel, AmplitudeFactorCoversEveryModulatorValueWithinItsError) {
    struct Limits {
        double Min, Max;
    };
    Worst worst;
    for (const Limits limits :
         {Limits{0.0, 1.0}, {0.001, 0.1}, {-0.75, 0.8}, {0.2, 1.3}, {-1e3, 1e3}, {1.0, 0.0}})
        for (double y : Uniform(3, 2000, 0.0, 1e4)) {
            const double span = limits.Max - limits.Min;
            const double middle = (limits.Max + limits.Min) / 2;
            const double m = LibrarySin(y);
            for (double own : Neighbours(m, 6)) {
                const double kernels = own * span * 0.5 + middle;
                const double defined = m * span / 2 + middle;
                worst.Add(std::fabs(kernels - defined),
                          errors::AmplitudeFactorError(span, middle, *ExactDistance(own, m)),
                          Describe({limits.Min, limits.Max, m, own}));
            }
        }
    EXPECT_LE(worst.Ratio, 1.0) << worst.Where;
}

// v = s · a from shape values and amplitudes a few units in the last place apart (one of them
// exact, or both off), and from a shape value far off, as an inexact phase leaves it.
TEST(ErrorModel, ValueCoversTheProductOfShapeAndAmplitude) {
    Worst worst;
    const std::vector<double> amplitudes = Uniform(4, 40, 0.0, 1.3);
    for (double s : Uniform(5, 400, -1.0, 1.0))
        for (double a : amplitudes) {
            std::vector<double> shapes = Neighbours(s, 3), factors = Neighbours(a, 2);
            shapes.push_back(s + 1e-9);
            factors.push_back(a);
            for (double ownShape : shapes)
                for (double ownAmplitude : factors) {
                    const std::optional<double> shapeError = ExactDistance(ownShape, s);
                    if (!shapeError)
                        continue;
                    const double kernels = ownShape * ownAmplitude;
                    const double bound = errors::ValueError(
                        std::fabs(ownShape), *shapeError, std::fabs(ownAmplitude),
                        *ExactDistance(ownAmplitude, a), std::fabs(kernels));
                    worst.Add(std::fabs(kernels - s * a), bound,
                              Describe({s, a, ownShape, ownAmplitude}));
                }
        }
    EXPECT_LE(worst.Ratio, 1.0) << worst.Where;
}

// The scaled value before rounding to the code ((v + 1) · 255 / 2, v · 32767, v · 2147483647),
// from values a few units in the last place apart, up to full scale.
TEST(ErrorModel, ScaledValueCoversTheScalingAtEveryResolution) {
    std::vector<double> values = Uniform(6, 3000, -1.0, 1.0);
    values.insert(values.end(), {1.0, -1.0, 0.5, -0.5, 1e-300});
    for (std::int32_t resolution : {8, 16, 32}) {
        const double factor = resolution == 8 ? 127.5 : resolution == 16 ? 32767.0 : 2147483647.0;
        Worst worst;
        for (double v : values)
            for (double own : Neighbours(v, 4)) {
                if (std::fabs(own) > 1.0)
                    continue;  // clipped: ClippedAlike's case
                const double scaled = reference::Scaled(own, resolution);
                const double bound = errors::ScaledError(
                    *ExactDistance(own, v), errors::CodeErrorScale(factor), std::fabs(scaled));
                worst.Add(std::fabs(scaled - reference::Scaled(v, resolution)), bound,
                          Describe({v, own}));
            }
        EXPECT_LE(worst.Ratio, 1.0) << resolution << " bits: " << worst.Where;
    }
}

// A value proven to be clipped like its neighbours within the error: every value within the
// error is clipped to the same full scale. Values beyond full scale by more than their error are
// proven so.
TEST(ErrorModel, ClippedAlikeOnlyWhereEveryValueWithinTheErrorIsClippedTheSameWay) {
    const auto clip = [](double v) { return std::clamp(v, -1.0, 1.0); };
    for (double v : {-3.0, -1.5, -1.0, -0.999, -0.5, 0.0, 0.5, 0.999, 1.0, 1.001, 1.5, 3.0})
        for (double error : {0.0, 1e-9, 0.01, 0.6, 2.5}) {
            if (!errors::ClippedAlike(v, error))
                continue;
            for (double step = -1.0; step <= 1.0; step += 0.125) {
                const double defined = v + step * error;
                EXPECT_EQ(clip(defined), clip(v)) << v << " within " << error << ": " << defined;
            }
        }
    EXPECT_TRUE(errors::ClippedAlike(1.5, 0.25));
    EXPECT_TRUE(errors::ClippedAlike(-3.0, 1.0));
}

// Phases whose triangle values the bound must tell apart: a few units in the last place apart at
// every size of phase (the roundings of x + π/2 and of the steps after WrapPhase decide), and
// 1e-9 or 1e-3 apart (the slope decides), on both sides of the corners.
TEST(ErrorModel, TriangleCoversItsSlopeAndRoundings) {
    const auto triangle = [](double x) { return reference::Shape(1, x, reference::NoTable); };
    std::vector<double> phases;
    for (double scale : {1.0, 10.0, 1e4, 1e9, 1e15})
        for (double x : Uniform(7, 300, -scale, scale))
            phases.push_back(x);
    for (double corner : {reference::HalfPi, 3.0 * reference::HalfPi, 1e6 * TwoPi + 1.5})
        phases.push_back(corner);
    Worst worst;
    for (double x : phases) {
        std::vector<double> defined = Neighbours(x, 4);
        for (double apart : {1e-9, -1e-9, 1e-3, -1e-3})
            defined.push_back(x + apart);
        for (double other : defined) {
            const std::optional<double> e = ExactDistance(other, x);
            if (!e)
                continue;
            worst.Add(std::fabs(triangle(other) - triangle(x)),
                      errors::TriangleError(std::fabs(x), *e), Describe({x, other}));
        }
    }
    EXPECT_LE(worst.Ratio, 1.0) << worst.Where;
}

// Phases of the saws and the square: within a period a few units in the last place or 1e-9
// apart (the saws' slope and roundings; the square is flat), and next to the jumps at the
// period's ends and (square) half way, where the defined phase may lie across: the bound must be
// infinite there. Small negative phases are among them, whose WrapPhase rounds x + 2π.
TEST(ErrorModel, SawsAndSquareCoverTheirSlopeAndReachTheirJumps) {
    const auto shape = [](std::int32_t index, double x) {
        return reference::Shape(index, x, reference::NoTable);
    };
    std::vector<double> phases = Uniform(8, 2000, -1e4, 1e4);
    for (double edge : {0.0, reference::Pi, TwoPi, 7.0 * TwoPi, 1e6 * TwoPi, 1e6 * TwoPi + 3.0})
        for (double offset = -4e-15; offset <= 4e-15; offset += 1e-16)
            phases.push_back(edge + offset);
    Worst saws, square;
    for (double x : phases) {
        std::vector<double> defined = Neighbours(x, 4);
        for (double apart : {1e-9, -1e-9, 6e-16, -6e-16, 2e-15, -2e-15})
            defined.push_back(x + apart);
        const double r = reference::Wrap(x);
        for (double other : defined) {
            const std::optional<double> e = ExactDistance(other, x);
            if (!e)
                continue;
            const std::string where = Describe({x, other});
            const double sawBound = errors::SawJumpReached(r, *e) ? Infinite : errors::SawError(*e);
            for (std::int32_t saw : {2, 3})
                saws.Add(std::fabs(shape(saw, other) - shape(saw, x)), sawBound, where);
            const double squareBound = errors::SquareJumpReached(r, *e) ? Infinite : 0.0;
            square.Add(std::fabs(shape(4, other) - shape(4, x)), squareBound, where);
        }
    }
    EXPECT_LE(saws.Ratio, 1.0) << saws.Where;
    EXPECT_LE(square.Ratio, 1.0) << square.Where;
}

}  // namespace
}  // namespace tonquelle
