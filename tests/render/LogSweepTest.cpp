// The logarithmic frequency modulation: its phase against the integral of its frequency law
// (the test reference's quadrature), its instantaneous frequency at chosen times, its continuity
// over FM period boundaries far into a run, the linear sweep where a limit is not above 0 Hz,
// and the renderer's codes: those of the per-sample formula whatever the buffers and the start.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include "synth/BlockKernels.h"
#include "synth/BlockRenderer.h"
#include "synth/ChannelValue.h"
#include "synth/SampleEncoding.h"
#include "tests/render/ReferenceRenderer.h"
#include "tests/render/SweepKernelSets.h"

namespace tonquelle {
namespace {

using reference::TwoPi;

// A logarithmic sweep from `low` to `high` with FM shape `shape` at `rate` Hz.
ChannelSettings Sweep(std::int32_t shape, double low = 20.0, double high = 20000.0,
                      double rate = 1.0) {
    return {.Flags = FlagFM | FlagFMLog,
            .FMWaveform = shape,
            .FMFrequency = rate,
            .FMMinFreq = low,
            .FMMaxFreq = high,
            .Amplitude = 1.0};
}

// The FM shape's value w at time t, written out: sine, triangle, falling and rising saw, square.
double ShapeValueAt(std::int32_t shape, double periods) {
    const double s = periods - std::floor(periods);
    switch (shape) {
        case WaveformIndex::Sine:
            return std::sin(TwoPi * periods);
        case WaveformIndex::Triangle:
            return s < 0.25 ? 4 * s : s < 0.75 ? 2 - 4 * s : 4 * s - 4;
        case WaveformIndex::SawFalling:
            return 1 - 2 * s;
        case WaveformIndex::SawRising:
            return 2 * s - 1;
        default:
            return s < 0.5 ? 1.0 : -1.0;
    }
}

// dφ/dt / 2π at t from central differences of CarrierPhase over ±h and ±2h, extrapolated
// (Richardson): the error shrinks with h⁴.
double MeasuredFrequency(const ChannelSettings& s, double t, double h) {
    const auto slope = [&](double d) {
        return (CarrierPhase(s, t + d) - CarrierPhase(s, t - d)) / (2 * d);
    };
    return (4 * slope(h) - slope(2 * h)) / 3 / TwoPi;
}

// Within a billionth of a period, or where the phase is that large, the rounding of its sums
// (the quadrature adds thousands of terms).
TEST(LogSweep, PhaseIsTheIntegralOfTheFrequencyLawForEveryShape) {
    for (std::int32_t shape = WaveformIndex::Sine; shape <= WaveformIndex::Square; ++shape)
        for (const auto& [low, high] : {std::pair{20.0, 20000.0}, std::pair{3000.0, 50.0},
                                        std::pair{440.0, 441.0}, std::pair{1.0, 1e6}})
            for (double t : {0.0, 0.1, 0.37, 0.5, 1.81, 7.25, 100.9}) {
                const ChannelSettings s = Sweep(shape, low, high, 1.3);
                const double expected = reference::SweepPhase(s, t);
                EXPECT_NEAR(CarrierPhase(s, t), expected, 1e-9 * TwoPi + 1e-13 * expected)
                    << "shape " << shape << ", " << low << " → " << high << " Hz, t = " << t;
            }
}

// The saws and the square integrate in closed form: 2π · FMMinFreq / FMFrequency times whole
// periods of (r − 1) / ln r and the partial period's integral, here in long double. The phase
// holds to the roundings of its sums and products (a few units in the last place), also for ratios
// whose exponents reach far (1e-6 and 1e6) and at times just past the square's edge.
TEST(LogSweep, SawsAndSquareMatchTheirClosedFormsToRounding) {
    using Real = long double;
    const auto closedForm = [](const ChannelSettings& s, double t) -> Real {
        const Real r = static_cast<Real>(s.FMMaxFreq) / s.FMMinFreq;
        const Real logRatio = std::log(r);
        const Real u = static_cast<Real>(s.FMFrequency) * t;
        const Real whole = std::floor(u), part = u - whole;
        // ∫ r^(a + b·σ) dσ from 0 to x.
        const auto piece = [&](Real a, Real b, Real x) {
            return b == 0 ? std::pow(r, a) * x
                          : std::pow(r, a) * std::expm1(b * logRatio * x) / (b * logRatio);
        };
        Real period = 0, partial = 0;
        switch (s.FMWaveform) {
            case WaveformIndex::SawRising:
                period = piece(0, 1, 1), partial = piece(0, 1, part);
                break;
            case WaveformIndex::SawFalling:
                period = piece(1, -1, 1), partial = piece(1, -1, part);
                break;
            default:  // the square: the upper limit for half a period, then the lower
                period = (r + 1) / 2;
                partial = part < 0.5 ? r * part : r / 2 + (part - 0.5);
        }
        return 2 * static_cast<Real>(reference::Pi) * s.FMMinFreq / s.FMFrequency *
               (whole * period + partial);
    };
    for (std::int32_t shape :
         {WaveformIndex::SawRising, WaveformIndex::SawFalling, WaveformIndex::Square})
        for (const auto& [low, high] :
             {std::pair{20.0, 20000.0}, std::pair{5000.0, 5.0}, std::pair{1.0, 1e6},
              std::pair{1e6, 1.0}, std::pair{440.0, 440.5}})
            for (double t : {0.0, 1e-6, 0.013, 0.2499, 0.5, 0.50001, 0.77, 0.9999, 3.3, 7200.2}) {
                const ChannelSettings s = Sweep(shape, low, high, 1.0);
                const Real expected = closedForm(s, t);
                const double phase = CarrierPhase(s, t);
                EXPECT_LE(std::fabs(phase - expected), 2e-15 * expected + 1e-300)
                    << "shape " << shape << ", " << low << " → " << high << " Hz, t = " << t;
            }
}

TEST(LogSweep, InstantaneousFrequencyIsMinTimesRatioToTheHalfOfWPlusOne) {
    for (std::int32_t shape = WaveformIndex::Sine; shape <= WaveformIndex::Square; ++shape)
        for (double t : {0.1, 0.3, 0.62, 0.9, 5.3}) {
            // Clear of the saws' and the square's jumps (multiples of ½ period).
            const ChannelSettings s = Sweep(shape, 20.0, 20000.0, 1.0);
            const double expected = 20.0 * std::pow(1000.0, (ShapeValueAt(shape, t) + 1) / 2);
            const double measured = MeasuredFrequency(s, t, 2e-2 / expected);
            EXPECT_NEAR(measured / expected, 1.0, 1e-9) << "shape " << shape << ", t = " << t;
        }
}

TEST(LogSweep, RisingSawSweepsTwentyHertzToTwentyKilohertzInOneFmPeriod) {
    // One period's phase: 2π ∫ 20 · 1000^s ds = 2π · 20 · 999 / ln 1000.
    const ChannelSettings s = Sweep(WaveformIndex::SawRising);
    const double period = TwoPi * 20.0 * 999.0 / std::log(1000.0);
    EXPECT_NEAR(CarrierPhase(s, 0.5) - CarrierPhase(s, 0.0),
                TwoPi * 20.0 * (std::sqrt(1000.0) - 1.0) / std::log(1000.0), 1e-9);
    EXPECT_NEAR(CarrierPhase(s, 3.0), 3.0 * period, 1e-9);
}

// Across the boundaries of FM periods (where the saws jump from one limit to the other) the phase
// moves by the frequencies on either side times the step, at the start and 24 h into a run.
TEST(LogSweep, PhaseIsContinuousAcrossFmPeriodBoundaries) {
    const double delta = 1e-7;
    for (std::int32_t shape = WaveformIndex::Sine; shape <= WaveformIndex::Square; ++shape)
        for (double boundary : {1.0, 2.0, 17.0, 86400.0}) {
            const ChannelSettings s = Sweep(shape, 20.0, 20000.0, 1.0);
            const double before =
                20.0 * std::pow(1000.0, (ShapeValueAt(shape, 1.0 - 1e-12) + 1) / 2);
            const double after = 20.0 * std::pow(1000.0, (ShapeValueAt(shape, 0.0) + 1) / 2);
            const double step =
                CarrierPhase(s, boundary + delta) - CarrierPhase(s, boundary - delta);
            const double tolerance = boundary > 1000.0 ? 1e-5 : 1e-8;
            EXPECT_NEAR(step, TwoPi * (before + after) * delta, tolerance)
                << "shape " << shape << " at " << boundary << " s";
        }
}

TEST(LogSweep, ALimitNotAboveZeroLeavesTheLinearSweep) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (const auto& [low, high] :
         {std::pair{0.0, 1000.0}, std::pair{-5.0, 1000.0}, std::pair{100.0, 0.0},
          std::pair{nan, 1000.0}, std::pair{100.0, nan}}) {
        ChannelSettings log = Sweep(WaveformIndex::Triangle, low, high, 2.0);
        ChannelSettings linear = log;
        linear.Flags = FlagFM;
        for (double t : {0.01, 0.3, 1.7}) {
            const double a = CarrierPhase(log, t), b = CarrierPhase(linear, t);
            EXPECT_TRUE(a == b || (std::isnan(a) && std::isnan(b))) << low << ", " << high;
        }
    }
    ChannelSettings linear = Sweep(WaveformIndex::Triangle, 100.0, 1000.0, 2.0);
    linear.Flags = FlagFM;
    EXPECT_GT(std::fabs(CarrierPhase(Sweep(WaveformIndex::Triangle, 100.0, 1000.0, 2.0), 0.1) -
                        CarrierPhase(linear, 0.1)),
              1.0);
}

// Without modulation (FMFrequency 0, or the user shape that FM has no table for) the frequency
// stays at the limits' geometric mean, as w = 0 gives it.
TEST(LogSweep, NoModulationPlaysTheGeometricMean) {
    ChannelSettings still = Sweep(WaveformIndex::Sine, 100.0, 400.0, 0.0);
    EXPECT_NEAR(CarrierPhase(still, 0.25), TwoPi * 200.0 * 0.25, 1e-12);
    still = Sweep(WaveformIndex::User, 100.0, 400.0, 3.0);
    EXPECT_NEAR(CarrierPhase(still, 0.25), TwoPi * 200.0 * 0.25, 1e-12);
}

// Sweeps of every shape with a sine, a triangle and a user carrier, one amplitude modulated.
std::vector<reference::Channel> SweepChannels(const WaveformTable& user) {
    ChannelSettings sine = Sweep(WaveformIndex::Sine, 50.0, 12000.0, 3.0);
    ChannelSettings triangle = Sweep(WaveformIndex::Triangle, 8000.0, 30.0, 0.7);
    triangle.Waveform = WaveformIndex::Triangle;
    ChannelSettings saw = Sweep(WaveformIndex::SawRising, 20.0, 20000.0, 1.0);
    saw.Flags |= FlagAM;
    ChannelSettings square = Sweep(WaveformIndex::Square, 300.0, 900.0, 10.0);
    square.Waveform = WaveformIndex::User;
    ChannelSettings falling = Sweep(WaveformIndex::SawFalling, 1000.0, 2000.0, 0.5);
    falling.Waveform = WaveformIndex::Square;
    falling.DutyCycle = 30.0;
    return {{sine}, {triangle}, {saw}, {square, &user}, {falling}};
}

// The codes of StoreSample for ChannelValue, frame by frame: the definition of every sample.
std::vector<std::uint8_t> FormulaBytes(const std::vector<reference::Channel>& channels,
                                       std::int32_t rate, std::int64_t first, std::int64_t frames,
                                       std::int32_t resolution = 32) {
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(frames * (resolution / 8)) *
                                    channels.size());
    std::uint8_t* cursor = bytes.data();
    for (std::int64_t frame = first; frame < first + frames; ++frame)
        for (std::size_t c = 0; c < channels.size(); ++c) {
            const SamplePoint point{static_cast<std::int32_t>(c), frame,
                                    static_cast<double>(frame) / rate};
            StoreSample(
                ChannelValue(channels[c].Settings, *channels[c].Carrier, *channels[c].AM, point),
                cursor, resolution);
        }
    return bytes;
}

TEST(LogSweep, RendererGivesTheFormulasCodesWhateverTheBuffersAndTheStart) {
    const WaveformTable user = reference::Table({0.0, 1.0, -0.5, 0.25});
    const std::vector<reference::Channel> channels = SweepChannels(user);
    const std::int32_t rate = 48000;
    const std::int64_t frames = 6000;
    for (std::int64_t start :
         {std::int64_t{0}, std::int64_t{7} * rate + 11, std::int64_t{24 * 3600} * rate + 12345}) {
        SCOPED_TRACE(start);
        const std::vector<std::uint8_t> formula = FormulaBytes(channels, rate, start, frames);
        for (std::int32_t buffer : {1, 256, 1000, 6000})
            EXPECT_EQ(reference::RenderInBuffers(channels, rate, 32, start, frames, buffer),
                      formula)
                << buffer;
    }
}

// Random sweeps of every FM shape and carrier, now and then with a typed extreme (a limit of
// 1e300 or 1e-300, an FM frequency of 1e6 or 1e-9, a phase shift of 1e15, an amplitude beyond
// full scale), at every resolution, at the start and a day in, rendered by each kernel set: the
// codes of the per-sample formula, every one.
TEST(LogSweep, RandomSweepsGiveTheFormulasCodesOnEveryKernelSet) {
    std::mt19937_64 random(2026);
    std::uniform_real_distribution<double> unit;
    const auto pick = [&](std::int32_t n) { return static_cast<std::int32_t>(random() % n); };
    const auto logUniform = [&](double low, double high) {
        return low * std::pow(high / low, unit(random));
    };
    const auto rare = [&](double typical, double extreme) {
        return unit(random) < 0.05 ? extreme : typical;
    };
    const WaveformTable user = reference::Table({0.3, -1.0, 0.9, 0.1, -0.4});
    for (std::int32_t run = 0; run < 40; ++run) {
        const std::int32_t resolution = 8 * (1 + pick(4));
        const std::int32_t rate = run % 2 == 0 ? 48000 : 192000;
        std::vector<reference::Channel> channels;
        for (std::int32_t c = 0; c < 1 + pick(8); ++c) {
            ChannelSettings s = Sweep(pick(6), rare(logUniform(1.0, 24000.0), 1e300),
                                      rare(logUniform(1.0, 24000.0), 1e-300),
                                      rare(logUniform(0.05, 20.0), pick(2) ? 1e6 : 1e-9));
            s.Waveform = pick(6);
            s.PhaseShift = rare(unit(random) * 6.0, 1e15);
            s.Amplitude = rare(unit(random), 1.7);
            s.DutyCycle = 100.0 * unit(random);
            if (pick(3) == 0) {
                s.Flags |= FlagAM;
                s.AMWaveform = pick(8);
                s.AMFrequency = logUniform(0.1, 100.0);
                s.AMMaxAmp = unit(random);
            }
            channels.push_back({.Settings = s, .Carrier = &user, .AM = &user});
        }
        const std::int64_t first = pick(2) * std::int64_t{24 * 3600} * rate + pick(rate);
        const std::int32_t frames = 1 + pick(1500);
        const std::vector<std::uint8_t> formula =
            FormulaBytes(channels, rate, first, frames, resolution);
        for (const BlockKernels* kernels : test::SweepKernelSets()) {
            auto stream = std::make_unique<OutputStream>();
            reference::Prepare(*stream, channels, rate, resolution, frames, first);
            std::vector<std::uint8_t> rendered = reference::RenderNext(*stream);
            RenderFrames(*stream, first, frames, rendered.data(), *kernels);
            ASSERT_EQ(rendered, formula) << "run " << run << ", " << kernels->Name;
        }
    }
}

// Limits no double ratio holds (infinite, or 1e-300 to 1e300) make the sine's phase NaN: silence,
// the zero code throughout, as the formula gives; the saw's phase is infinite or finite as its
// integrals are, and the renderer follows the formula there too.
TEST(LogSweep, LimitsBeyondRangeRenderAsTheFormulaDoesSilenceForTheSine) {
    const double infinity = std::numeric_limits<double>::infinity();
    const std::vector<reference::Channel> channels{
        {Sweep(WaveformIndex::Sine, 20.0, infinity)},
        {Sweep(WaveformIndex::Sine, 1e-300, 1e300)},
        {Sweep(WaveformIndex::SawRising, 20.0, infinity)},
        {Sweep(WaveformIndex::SawFalling, 1e-300, 1e300)}};
    const std::vector<std::uint8_t> rendered =
        reference::RenderInBuffers(channels, 48000, 32, 4800, 1000, 256);
    EXPECT_EQ(rendered, FormulaBytes(channels, 48000, 4800, 1000));
    for (std::size_t i = 0; i < rendered.size(); i += 16)
        ASSERT_EQ(reference::CodeAt(&rendered[i], 4) | reference::CodeAt(&rendered[i + 4], 4), 0)
            << i / 16;
}

// The reference's codes (its own quadrature of the frequency law) agree within one code: the
// two phases differ by far less than a code's worth, but may round a value on either side.
TEST(LogSweep, RenderedCodesAgreeWithTheReferenceWithinOneCode) {
    const WaveformTable user = reference::Table({0.0, 1.0, -0.5, 0.25});
    const std::vector<reference::Channel> channels = SweepChannels(user);
    for (std::int32_t resolution : {16, 32}) {
        const std::int64_t first = 3 * 44100 + 5;
        const std::int32_t frames = 300;
        const std::vector<std::uint8_t> rendered =
            reference::RenderInBuffers(channels, 44100, resolution, first, frames, 128);
        const std::vector<std::uint8_t> expected =
            reference::Render(channels, first, frames, 44100, resolution);
        ASSERT_EQ(rendered.size(), expected.size());
        const std::int32_t bytes = resolution / 8;
        for (std::size_t i = 0; i < rendered.size(); i += bytes)
            ASSERT_LE(std::llabs(reference::CodeAt(&rendered[i], bytes) -
                                 reference::CodeAt(&expected[i], bytes)),
                      1)
                << "sample " << i / bytes << " at " << resolution << " bits";
    }
}

}  // namespace
}  // namespace tonquelle
