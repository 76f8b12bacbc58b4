// The renderer against the reference, code for code: chosen cases, every layout, millions of
// random samples at the start of a run and a day into it (with both kernel sets), and samples
// built to lie next to a code boundary, where a bound that is too small gives a wrong code; and
// against closed forms worked out by hand; and when settings changes take effect.

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <iterator>
#include <map>
#include <memory>
#include <numbers>
#include <random>
#include <vector>

#include "records/OutputStream.h"
#include "synth/BlockRenderer.h"
#include "synth/Renderer.h"
#include "tests/render/ReferenceRenderer.h"
#include "tests/support/SameBytes.h"

namespace tonquelle {
namespace {

using reference::CodeAt;
using reference::Prepare;
using reference::RenderNext;
using reference::Table;
using testing::SameBytes;
using Channels = std::vector<reference::Channel>;

// The renderer's next buffer rendered once more with `kernels` (RenderBuffer has taken the
// settings over and rendered it with the chosen set).
std::vector<std::uint8_t> RenderNextWith(OutputStream& stream, const BlockKernels& kernels) {
    const std::int64_t first = stream.FrameCounter;
    std::vector<std::uint8_t> bytes = RenderNext(stream);
    RenderFrames(stream, first, stream.BufferFrames, bytes.data(), kernels);
    return bytes;
}

// Both kernel sets this machine runs: the baseline and, where supported, the chosen one.
std::vector<const BlockKernels*> KernelSets() {
    std::vector<const BlockKernels*> sets = {&BaselineKernels()};
    if (&ChosenKernels() != &BaselineKernels()) {
        sets.push_back(&ChosenKernels());
    }
    return sets;
}

// The index of the first sample where `actual` and `expected` differ, or -1.
std::int64_t FirstDifference(const std::vector<std::uint8_t>& actual,
                             const std::vector<std::uint8_t>& expected, std::int32_t sampleBytes) {
    for (std::size_t i = 0; i < std::min(actual.size(), expected.size()); i += sampleBytes)
        if (CodeAt(&actual[i], sampleBytes) != CodeAt(&expected[i], sampleBytes))
            return static_cast<std::int64_t>(i / sampleBytes);
    return actual.size() == expected.size() ? -1 : static_cast<std::int64_t>(actual.size());
}

// Shape indices -1 to 6 (0..5 and an unknown index on either side, silence for the carrier
// and no modulation for FM and AM) as carriers with phase shifts, and for FM, AM and both
// together: each with user tables for the carrier and AM; FM at 0 Hz (index 3) and with the
// limits swapped (4 to 6), AM at 0 Hz (index 1), amplitudes beyond full scale, clipped. Each at
// every resolution, from the start and after a long run, where the phases are large enough that
// a change in the order of the double operations shows in the 32-bit codes.
TEST(Renderer, MatchesTheReferenceForEveryShapeAndModulation) {
    const WaveformTable user = Table({0.0, 1.0, 0.25, -0.75, -1.0});
    const WaveformTable envelope = Table({-1.0, 1.0, 0.5});
    std::vector<Channels> sets(3);
    for (std::int32_t w = -1; w <= 6; ++w)
        for (std::int32_t set = 0; set < 3; ++set) {
            const std::int32_t flags[] = {0, FlagFM, FlagAM | (w % 2 == 0 ? FlagFM : 0)};
            const ChannelSettings settings = {.Flags = flags[set],
                                              .Waveform = set == 0 ? w : (w + 2) % 5,
                                              .PhaseShift = 0.7 * w - 1.0,
                                              .Frequency = 233.0 + 97.5 * w,
                                              .FMWaveform = 5 - w,
                                              .FMFrequency = 3.5 * (w - 2),
                                              .FMMinFreq = 200.0 + 100 * w,
                                              .FMMaxFreq = 900.0 - 100 * w,
                                              .Amplitude = 0.2 + 0.15 * w,
                                              .AMWaveform = w,
                                              .AMFrequency = 7.0 * (w - 1),
                                              .AMMinAmp = 0.05 * w,
                                              .AMMaxAmp = 0.95 - 0.05 * w};
            sets[set].push_back({.Settings = settings, .Carrier = &user, .AM = &envelope});
        }
    for (const Channels& channels : sets)
        for (std::int64_t start : {std::int64_t{0}, std::int64_t{1} << 42})
            for (std::int32_t resolution : {8, 16, 24, 32}) {
                SCOPED_TRACE(::testing::Message() << resolution << " bits from " << start);
                OutputStream stream;
                Prepare(stream, channels, 44100, resolution, 441, start);
                for (std::int64_t b = 0; b < 3; ++b)
                    ASSERT_TRUE(SameBytes(
                        RenderNext(stream),
                        reference::Render(channels, start + b * 441, 441, 44100, resolution)));
                EXPECT_EQ(stream.FrameCounter, start + 3 * 441);
            }
}

// Random channels (mostly sine, which takes the vector path, with every other shape, noises,
// squares of any duty cycle, user tables and modulation mixed in; now and then a value far beyond
// the controls' ranges, up to 1e300, infinite or not a number) in random layouts and buffer
// lengths, from `day` days into the run: every code identical.
void CompareRandomRuns(std::uint64_t seed, std::int32_t resolution, std::int64_t day,
                       std::int32_t runs, const BlockKernels& kernels) {
    std::mt19937_64 random(seed);
    std::uniform_real_distribution<double> unit;
    const auto uniform = [&](double low, double high) { return low + (high - low) * unit(random); };
    const auto pick = [&](std::int32_t n) { return static_cast<std::int32_t>(random() % n); };
    const auto chance = [&](double p) { return uniform(0.0, 1.0) < p; };
    const auto shape = [&] { return chance(0.7) ? WaveformIndex::Sine : pick(8); };
    const double extremes[] = {1e300, -3e299, 1e20, 1e-300, HUGE_VAL, std::nan(""), 0.0};
    // A value of the controls' kind, or one of the extremes.
    const auto value = [&](double typical) { return chance(0.02) ? extremes[pick(7)] : typical; };
    const auto frequency = [&] { return std::pow(10.0, uniform(-2.0, 4.38)); };  // 0.01 Hz..24 kHz
    const std::int32_t rates[] = {8000, 11025, 44100, 48000, 96000, 192000};
    const std::int32_t sampleBytes = resolution / 8;
    std::int64_t samples = 0;
    for (std::int32_t run = 0; run < runs; ++run) {
        const std::int32_t count = 1 + pick(8), rate = rates[pick(6)];
        const std::int32_t frames = chance(0.5) ? 256 * (1 + pick(4)) : 1 + pick(2000);
        std::vector<WaveformTable> tables(2 * count);
        for (WaveformTable& table : tables) {
            std::vector<double> points(1 + pick(64));
            std::ranges::generate(points, [&] { return uniform(-1.2, 1.2); });
            table = Table(points);
        }
        Channels channels;
        for (std::int32_t c = 0; c < count; ++c) {
            const std::int32_t flags = (chance(0.1) ? FlagMute : 0) | (chance(0.6) ? FlagFM : 0) |
                                       (chance(0.6) ? FlagAM : 0);
            // The initializers run in the order written, so each seed gives the same channels.
            const ChannelSettings settings = {
                .Flags = flags,
                .Waveform = shape(),
                .PhaseShift = value(uniform(-10.0, 10.0)),
                .Frequency = value(frequency()),
                .FMWaveform = shape(),
                .FMFrequency = value(chance(0.05) ? 0.0 : uniform(0.0, 1.0) * frequency() / 10.0),
                .FMMinFreq = value(frequency()),
                .FMMaxFreq = value(frequency()),
                .Amplitude = value(uniform(0.0, 1.3)),
                .AMWaveform = shape(),
                .AMFrequency = value(chance(0.05) ? 0.0 : frequency() / 20.0),
                .AMMinAmp = value(uniform(0.0, 1.0)),
                .AMMaxAmp = value(uniform(0.0, 1.3)),
                .DutyCycle = value(chance(0.5) ? 50.0 : uniform(0.0, 100.0))};
            channels.push_back(
                {.Settings = settings, .Carrier = &tables[2 * c], .AM = &tables[2 * c + 1]});
        }
        const std::int64_t first = day * 24 * 3600 * rate + pick(rate * 10);
        auto stream = std::make_unique<OutputStream>();
        Prepare(*stream, channels, rate, resolution, frames, first);
        for (std::int64_t b = 0; b < 2; ++b) {
            const auto actual = RenderNextWith(*stream, kernels);
            const auto expected =
                reference::Render(channels, first + b * frames, frames, rate, resolution);
            ASSERT_EQ(FirstDifference(actual, expected, sampleBytes), -1)
                << "run " << run << ", buffer " << b << ", " << count << " channels";
            samples += static_cast<std::int64_t>(actual.size()) / sampleBytes;
        }
    }
    EXPECT_GT(samples, runs * 1000);
}

// At the start of a run and a day into it, every resolution, both kernel sets: several million
// samples with the chosen set, fewer with the slower baseline.
TEST(Renderer, RandomSettingsMatchTheFormulas) {
    for (const BlockKernels* kernels : KernelSets()) {
        const std::int32_t share = kernels == &BaselineKernels() && KernelSets().size() > 1 ? 4 : 1;
        for (std::int64_t day : {0, 1})
            for (auto [resolution, runs] : {std::pair{8, 150}, {16, 300}, {24, 200}, {32, 300}}) {
                SCOPED_TRACE(::testing::Message()
                             << kernels->Name << ", " << resolution << " bits, day " << day);
                CompareRandomRuns(4 * day + resolution / 8, resolution, day, runs / share,
                                  *kernels);
            }
    }
}

// Whether one frame at `frame` rendered from `channels` is the reference's.
bool RendersLikeTheReference(const Channels& channels, std::int32_t rate, std::int32_t resolution,
                             std::int64_t frame) {
    OutputStream stream;
    Prepare(stream, channels, rate, resolution, 1, frame);
    return RenderNext(stream) == reference::Render(channels, frame, 1, rate, resolution);
}

// The value the reference's encoding scales to its code: (v + 1) · 255 / 2 or v · scale.
double ScaledCode(double v, std::int32_t resolution) {
    return reference::Scaled(v, resolution);
}

// The setting near `start` for which `value` (the defined value as a function of it) scales to
// the `rank`-th of its distinct scaled values above (rank > 0) or below (rank < 0) the
// half-integer `tie`.
template <typename Value>
double SettingNextToTie(Value value, double start, double tie, int rank, std::int32_t resolution) {
    std::map<double, double> settingOfOffset;  // scaled value − tie → a setting giving it
    double x = start;
    for (int step = 0; step < 300; ++step)
        x = std::nextafter(x, -INFINITY);
    for (int step = 0; step < 600; ++step, x = std::nextafter(x, INFINITY))
        settingOfOffset.emplace(ScaledCode(value(x), resolution) - tie, x);
    const auto above = settingOfOffset.upper_bound(0.0);  // the first offset above the tie
    const auto below = settingOfOffset.lower_bound(0.0);  // just after the last one below it
    const auto available = rank > 0 ? std::distance(above, settingOfOffset.end())
                                    : std::distance(settingOfOffset.begin(), below);
    if (available < std::abs(rank)) {
        ADD_FAILURE() << "no setting " << rank << " steps from the tie " << tie;
        return start;
    }
    return rank > 0 ? std::next(above, rank - 1)->second : std::prev(below, -rank)->second;
}

// The tie of `resolution`'s code nearest to the scaled `value`: at 24 bits one where the upper
// three bytes of the 32-bit code change.
double TieNear(double value, std::int32_t resolution) {
    const double scaled = ScaledCode(value, resolution);
    if (resolution != 24) {
        return std::floor(scaled) + 0.5;
    }
    const double block = scaled / 256.0;  // towards zero: the boundary stays within range
    return (scaled >= 0.0 ? std::floor(block) : std::ceil(block)) * 256.0 - 0.5;
}

// The value that scales to `scaled` at `resolution` (the inverse of ScaledCode, rounded).
double Unscaled(double scaled, std::int32_t resolution) {
    return resolution == 8 ? 2.0 * scaled / 255.0 - 1.0
                           : scaled / (resolution == 16 ? 32767.0 : 2147483647.0);
}

// Sine carriers whose value at one chosen frame lies one to four representable steps of the
// scaled value above or below a rounding tie of the code (at 24 bits a tie where the upper
// three bytes change): the own sine differs from the library's by a few units in the last
// place, so any code taken from it without a bound that covers that difference is wrong.
TEST(Renderer, SineCodesNextToRoundingTiesAreExact) {
    constexpr double Rate = 48000.0, Frequency = 997.0, Shift = 0.3;
    for (std::int32_t resolution : {8, 16, 24, 32}) {
        std::int64_t differing = 0, frames = 0;
        for (std::int64_t frame = 1000; frame < 1000 + 300 * 37; frame += 37) {
            const double sine = LibrarySin(Frequency * reference::TwoPi * (frame / Rate) + Shift);
            if (std::fabs(sine) < 0.2)
                continue;  // ties of small values are far apart in steps
            // A tie at 0.7 of full scale (amplitudes below 1), and the last tie below full
            // scale (amplitudes above 1, whose values may be clipped).
            const double sign = std::copysign(1.0, sine);
            const double scaledMax = ScaledCode(sign, resolution);
            for (double tie : {TieNear(0.7 * sign, resolution),
                               TieNear(Unscaled(scaledMax - sign, resolution), resolution)}) {
                Channels channels;
                for (int rank : {1, -1, 2, -2, 3, -3, 4, -4}) {
                    const double amplitude =
                        SettingNextToTie([sine](double a) { return sine * a; },
                                         Unscaled(tie, resolution) / sine, tie, rank, resolution);
                    channels.push_back({{.Flags = 0,
                                         .PhaseShift = Shift,
                                         .Frequency = Frequency,
                                         .Amplitude = amplitude}});
                }
                differing += RendersLikeTheReference(channels, static_cast<std::int32_t>(Rate),
                                                     resolution, frame)
                                 ? 0
                                 : 1;
                ++frames;
            }
        }
        EXPECT_GE(frames, 100);
        EXPECT_EQ(differing, 0) << resolution << " bits, of " << frames << " frames";
    }
}

// A square carrier at 0 Hz (+1) with sine amplitude modulation, its factor at one chosen frame
// one to four steps of the scaled value above or below a rounding tie: the factor comes from
// the own sine, so its bound must cover that sine's difference from the library's.
TEST(Renderer, AmplitudeFactorsNextToRoundingTiesAreExact) {
    constexpr std::int32_t Rate = 48000;
    for (std::int32_t resolution : {8, 16, 24, 32}) {
        std::int64_t differing = 0, frames = 0;
        for (std::int64_t frame = 1000; frame < 1000 + 300 * 41; frame += 41) {
            ChannelSettings s = {.Flags = FlagAM,
                                 .Waveform = WaveformIndex::Square,
                                 .Frequency = 0.0,
                                 .AMFrequency = 3.0,
                                 .AMMinAmp = -0.75};
            const double m = LibrarySin(s.AMFrequency * reference::TwoPi * (frame / double(Rate)));
            const auto factor = [&](double max) {
                return m * (max - s.AMMinAmp) / 2 + (max + s.AMMinAmp) / 2;
            };
            if (m < 0.2)  // where the factor follows the maximum closely enough
                continue;
            const double tie = TieNear(factor(0.8), resolution);
            Channels channels;
            for (int rank : {1, -1, 2, -2, 3, -3, 4, -4}) {
                // The factor grows with the maximum: (1 + m) / 2 per unit of it.
                const double start = 0.8 + (Unscaled(tie, resolution) - factor(0.8)) * 2 / (1 + m);
                s.AMMaxAmp = SettingNextToTie(factor, start, tie, rank, resolution);
                channels.push_back({s});
            }
            differing += RendersLikeTheReference(channels, Rate, resolution, frame) ? 0 : 1;
            ++frames;
        }
        EXPECT_GE(frames, 100);
        EXPECT_EQ(differing, 0) << resolution << " bits, of " << frames << " frames";
    }
}

// How far the exact sum of the FM phase, centre + deviation, lies from the nearest boundary
// between two roundings of it (a midpoint between neighbouring doubles), in units of the
// deviation's last place; `centre` and `deviation` as the formulas compute them.
double StepsFromRoundingBoundary(double centre, double deviation) {
    const double sum = centre + deviation;
    const double error = (centre - (sum - (sum - centre))) + (deviation - (sum - centre));
    const double below = (sum - std::nextafter(sum, -INFINITY)) / 2;
    const double above = (std::nextafter(sum, INFINITY) - sum) / 2;
    const double distance = std::min(below + error, above - error);
    return distance / (std::nextafter(std::fabs(deviation), INFINITY) - std::fabs(deviation));
}

// Sine FM (5 Hz, 440..880 Hz) an hour into the run, at frames where the exact sum of centre
// phase and deviation lies within three units of the deviation's last place of a rounding
// boundary of the phase: the own cosine puts the deviation a few such units off, so the
// carrier phase is proven only where that cannot change its rounding; a wrong phase is a
// step of 2e-9 radians, which changes the 32-bit code. Once with a constant phase shift, once
// with a shift per frame that puts the phase at 2^24, where the steps below are half as wide.
TEST(Renderer, ModulatedPhasesNextToRoundingBoundariesAreExact) {
    constexpr std::int32_t Rate = 48000;
    ChannelSettings s = {.Flags = FlagFM, .FMFrequency = 5.0, .Amplitude = 0.9};
    for (bool powerOfTwo : {false, true}) {
        std::int32_t found = 0, differing = 0;
        for (std::int64_t frame = 3600LL * Rate; found < 64 && frame < 3600LL * Rate + 6000000;
             frame += 2) {
            const double t = static_cast<double>(frame) / Rate;
            const double centre = t * reference::TwoPi * (s.FMMaxFreq + s.FMMinFreq) / 2;
            s.PhaseShift = 0.25;
            const double deviation = reference::Phase(s, t) - (centre + s.PhaseShift);
            if (powerOfTwo)
                s.PhaseShift = 0x1p24 - centre - deviation;
            const double shifted = centre + s.PhaseShift;
            const double exactDeviation =
                reference::Integral(0, s.FMFrequency * reference::TwoPi * t) /
                (s.FMFrequency * reference::TwoPi) * reference::TwoPi *
                (s.FMMaxFreq - s.FMMinFreq) / 2;
            const double steps = StepsFromRoundingBoundary(shifted, exactDeviation);
            if (!(steps >= 0.0 && steps <= 3.0))
                continue;
            ++found;
            OutputStream stream;
            const Channels channels = {{s}};
            Prepare(stream, channels, Rate, 32, 1, frame);
            differing += RenderNext(stream) != reference::Render(channels, frame, 1, Rate, 32);
        }
        EXPECT_GE(found, 32) << "too few frames near a rounding boundary";
        EXPECT_EQ(differing, 0) << (powerOfTwo ? "at 2^24" : "an hour in") << ", of " << found;
    }
}

// Every carrier shape under an FM deviation that the bracket leaves unproven in about one frame
// of twenty: sine FM at 10^8 Hz (beyond the library's short way, so the own cosine serves)
// between -10^8 and 10^8 Hz, a deviation of 0 to 2 rad on a phase of 1000 rad, whose last place
// is 1e-13. The shapes' bounds from the phase error must hold: the slopes (a user table that
// swings between ±1 at every point is the steepest) and the jumps of the saws and the square.
TEST(Renderer, CarriersOfEveryShapeUnderAnUnprovenPhaseAreExact) {
    std::vector<double> swinging(1000);
    for (std::size_t i = 0; i < swinging.size(); ++i)
        swinging[i] = i % 2 ? 1.0 : -1.0;
    const WaveformTable user = Table(swinging);
    Channels channels;
    for (std::int32_t shape = 0; shape < 6; ++shape)
        channels.push_back({{.Flags = FlagFM,
                             .Waveform = shape,
                             .PhaseShift = 1000.0,
                             .FMFrequency = 1e8,
                             .FMMinFreq = -1e8,
                             .FMMaxFreq = 1e8,
                             .Amplitude = 0.9},
                            &user});
    OutputStream stream;
    Prepare(stream, channels, 48000, 32, 24000, 9600);
    const auto actual = RenderNext(stream);
    EXPECT_EQ(FirstDifference(actual, reference::Render(channels, 9600, 24000, 48000, 32), 4), -1);
}

// Sine FM at 200 Hz between -10^8 and 10^8 Hz a day into the run (the own cosine serves): the
// phase is the deviation itself, 0 to 10^6 rad, whose bound (about 2e-9 rad) is far beyond the
// phase's last place near 0. There the shapes' slopes alone decide which codes a phase error can
// change, not the roundings.
ChannelSettings WideDeviation(std::int32_t shape, double shift) {
    return {.Flags = FlagFM,
            .Waveform = shape,
            .PhaseShift = shift,
            .FMFrequency = 200.0,
            .FMMinFreq = -1e8,
            .FMMaxFreq = 1e8,
            .Amplitude = 1.0};
}
constexpr std::int64_t DayIn = std::int64_t{24 * 3600} * 48000;

// A second of the triangle and the saws under the wide deviation, with the phase shifted by 0
// and by -10^-3 rad: every code is the reference's.
TEST(Renderer, CarriersUnderADeviationFarBeyondThePhasesLastPlaceAreExact) {
    Channels channels;
    for (std::int32_t shape : {WaveformIndex::Triangle, WaveformIndex::SawFalling})
        for (double shift : {0.0, -1e-3})
            channels.push_back({WideDeviation(shape, shift)});
    OutputStream stream;
    Prepare(stream, channels, 48000, 32, 48000, DayIn);
    EXPECT_EQ(FirstDifference(RenderNext(stream),
                              reference::Render(channels, DayIn, 48000, 48000, 32), 4),
              -1);
}

// Under the wide deviation, frames whose defined phase lies exactly on a jump: shifted by minus
// the defined deviation, the phase is 0, where the saws jump from -1 to +1 and the square from
// -1 to +1; shifted by π minus it, the square's jump half way. The own deviation differs from
// the defined one by about a unit in its last place (6e-11 rad) in many of them, which puts the
// own phase across the jump: such codes are left to the definition. At every resolution (at 32
// bits the saws' slope alone leaves their codes open).
TEST(Renderer, CarriersWithTheirDefinedPhaseOnAJumpAreExact) {
    std::int32_t differing = 0, onJump = 0;
    for (std::int64_t frame = DayIn; frame < DayIn + 300 * 997; frame += 997) {
        const double t = static_cast<double>(frame) / 48000;
        const double deviation = reference::Phase(WideDeviation(WaveformIndex::Square, 0.0), t);
        const Channels channels = {
            {WideDeviation(WaveformIndex::SawFalling, -deviation)},
            {WideDeviation(WaveformIndex::SawRising, -deviation)},
            {WideDeviation(WaveformIndex::Square, -deviation)},
            {WideDeviation(WaveformIndex::Square, reference::Pi - deviation)}};
        onJump += reference::Phase(channels[0].Settings, t) == 0.0;
        for (std::int32_t resolution : {8, 16, 24, 32})
            differing += !RendersLikeTheReference(channels, 48000, resolution, frame);
    }
    EXPECT_EQ(onJump, 300);
    EXPECT_EQ(differing, 0);
}

// Closed forms worked out by hand. A 1000 Hz sine and its quarter-period shift, the cosine.
// Sine FM at 1 Hz between 440 and 880 Hz: phase 2π·660·t + 220·(1 − cos 2πt). Sine AM at 1 Hz
// between 0.001 and 0.1 on a constant carrier (a square at 0 Hz is +1): 0.0505 + 0.0495·sin 2πt.
// Muted channels hold the zero code, 128 at 8 bits.
TEST(Renderer, FollowsTheClosedForms) {
    const double w = 2 * std::numbers::pi;
    const Channels channels = {
        {{.Flags = 0, .Frequency = 1000.0, .Amplitude = 0.9}},
        {{.Flags = 0, .PhaseShift = w / 4, .Frequency = 1000.0, .Amplitude = 0.9}},
        {{.Flags = FlagFM, .Amplitude = 1.0}},
        {{.Flags = FlagAM, .Waveform = WaveformIndex::Square, .Frequency = 0.0}}};
    OutputStream stream;
    Prepare(stream, channels, 8000, 32, 8000);
    const auto bytes = RenderNext(stream);
    const auto value = [&bytes](std::size_t frame, int channel) {
        return CodeAt(&bytes[4 * (4 * frame + channel)], 4) / 2147483647.0;
    };
    for (std::size_t i = 0; i < 8000; i += 13) {
        const double t = i / 8000.0;
        EXPECT_NEAR(value(i, 0), 0.9 * std::sin(w * 1000 * t), 1e-6) << i;
        EXPECT_NEAR(value(i, 1), 0.9 * std::cos(w * 1000 * t), 1e-6) << i;
        EXPECT_NEAR(value(i, 2), std::sin(w * 660 * t + 220 * (1 - std::cos(w * t))), 1e-6) << i;
        EXPECT_NEAR(value(i, 3), 0.0505 + 0.0495 * std::sin(w * t), 1e-8) << i;
    }
    for (std::int32_t resolution : {8, 16, 24, 32}) {
        Prepare(stream, Channels(3, {{.Flags = FlagMute | FlagFM | FlagAM, .Amplitude = 0.9}}),
                44100, resolution, 100);
        EXPECT_EQ(RenderNext(stream),
                  std::vector<std::uint8_t>(300 * (resolution / 8), resolution == 8 ? 128 : 0));
    }
}

// Settings and tables change at a buffer's start only, and only once published; a live table
// stays until a new one is handed over.
TEST(Renderer, ChangesApplyFromTheNextBufferOnly) {
    Channels channels(2, {{.Flags = 0, .Waveform = WaveformIndex::User}});
    OutputStream stream;
    Prepare(stream, channels, 8000, 16, 80);
    EXPECT_TRUE(SameBytes(RenderNext(stream), reference::Render(channels, 0, 80, 8000, 16)));

    const ChannelSettings after = {.Flags = 0, .Waveform = 3, .Frequency = 1234, .Amplitude = 0.9};
    stream.Channels[0].EditSettings = after;  // edited, not published: nothing changes
    EXPECT_TRUE(SameBytes(RenderNext(stream), reference::Render(channels, 80, 80, 8000, 16)));

    const WaveformTable first = Table({1.0, -1.0, 0.5}), second = Table({-0.25, 0.75});
    PublishChannel(stream, 0);
    stream.Channels[1].PendingWaveforms[WaveformSlotCarrier] = Table({1.0, -1.0, 0.5});
    channels[0].Settings = after;
    channels[1].Carrier = &first;
    EXPECT_TRUE(SameBytes(RenderNext(stream), reference::Render(channels, 160, 80, 8000, 16)));
    EXPECT_TRUE(SameBytes(RenderNext(stream), reference::Render(channels, 240, 80, 8000, 16)));
    stream.Channels[1].PendingWaveforms[WaveformSlotCarrier] = Table({-0.25, 0.75});
    channels[1].Carrier = &second;
    EXPECT_TRUE(SameBytes(RenderNext(stream), reference::Render(channels, 320, 80, 8000, 16)));
    EXPECT_EQ(stream.Channels[1].PendingWaveforms[WaveformSlotCarrier].Points, nullptr);

    // Publishing copies one channel, or every channel in use; others are ignored.
    for (ChannelState& channel : stream.Channels)
        channel.EditSettings.Frequency = 1000.0;
    for (std::int32_t c : {-1, 7, 8, -2})
        PublishChannel(stream, c);
    for (std::int32_t c = 0; c < MaxChannels; ++c)
        EXPECT_EQ(stream.Channels[c].PendingSettings.Frequency, c < 2 || c == 7 ? 1000.0 : 440.0);
}

}  // namespace
}  // namespace tonquelle
