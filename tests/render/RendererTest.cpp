// The renderer against the reference (chosen cases exactly; millions of random samples at the
// start of a run and a day into it, with the vector code's tolerance) and against closed forms
// worked out by hand; and when settings changes take effect.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <numbers>
#include <random>
#include <vector>

#include "audio/OutputStream.h"
#include "synth/Renderer.h"
#include "tests/render/ReferenceRenderer.h"

namespace tonquelle {
namespace {

using reference::CodeAt;
using reference::Prepare;
using reference::RenderNext;
using reference::Table;
using Channels = std::vector<reference::Channel>;

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
            // ChannelSettings in field order (see the random runs below).
            sets[set].push_back(
                {{flags[set], set == 0 ? w : (w + 2) % 5, 0.7 * w - 1.0, 233.0 + 97.5 * w, 5 - w,
                  3.5 * (w - 2), 200.0 + 100 * w, 900.0 - 100 * w, 0.2 + 0.15 * w, w, 7.0 * (w - 1),
                  0.05 * w, 0.95 - 0.05 * w},
                 &user,
                 &envelope});
        }
    for (const Channels& channels : sets)
        for (std::int64_t start : {std::int64_t{0}, std::int64_t{1} << 42})
            for (std::int32_t resolution : {8, 16, 24, 32}) {
                SCOPED_TRACE(::testing::Message() << resolution << " bits from " << start);
                OutputStream stream;
                Prepare(stream, channels, 44100, resolution, 441, start);
                for (std::int64_t b = 0; b < 3; ++b)
                    ASSERT_EQ(RenderNext(stream),
                              reference::Render(channels, start + b * 441, 441, 44100, resolution));
                EXPECT_EQ(stream.FrameCounter, start + 3 * 441);
            }
}

// Random channels (mostly sine, which takes the vector path, with every other shape, user
// tables and modulation mixed in) in random layouts and buffer lengths, from `day` days into the
// run. 8- and 16-bit codes identical; 24- and 32-bit codes at most one step off, in at most 10
// samples per million.
void CompareRandomRuns(std::uint64_t seed, std::int32_t resolution, std::int64_t day,
                       std::int32_t runs) {
    std::mt19937_64 random(seed);
    std::uniform_real_distribution<double> unit;
    const auto uniform = [&](double low, double high) { return low + (high - low) * unit(random); };
    const auto pick = [&](std::int32_t n) { return static_cast<std::int32_t>(random() % n); };
    const auto chance = [&](double p) { return uniform(0.0, 1.0) < p; };
    const auto shape = [&] { return chance(0.7) ? WaveformIndex::Sine : pick(6); };
    const auto frequency = [&] { return std::pow(10.0, uniform(-2.0, 4.38)); };  // 0.01 Hz..24 kHz
    const std::int32_t rates[] = {8000, 11025, 44100, 48000, 96000, 192000};
    const std::int32_t sampleBytes = resolution / 8;
    std::int64_t samples = 0, offByOne = 0, larger = 0;
    for (std::int32_t run = 0; run < runs && larger == 0; ++run) {
        const std::int32_t count = 1 + pick(8), rate = rates[pick(6)];
        const std::int32_t frames = chance(0.5) ? 256 * (1 + pick(4)) : 1 + pick(2000);
        std::vector<WaveformTable> tables(2 * count);
        for (WaveformTable& table : tables) {
            std::vector<double> points(1 + pick(64));
            std::ranges::generate(points, [&] { return uniform(-1.2, 1.2); });
            table = Table(points);
        }
        Channels channels;
        // ChannelSettings in field order: Flags, Waveform, PhaseShift, Frequency; FMWaveform,
        // FMFrequency, FMMinFreq, FMMaxFreq; Amplitude; AMWaveform, AMFrequency, AMMinAmp,
        // AMMaxAmp.
        for (std::int32_t c = 0; c < count; ++c) {
            const std::int32_t flags = (chance(0.1) ? FlagMute : 0) | (chance(0.6) ? FlagFM : 0) |
                                       (chance(0.6) ? FlagAM : 0);
            channels.push_back(
                {{flags, shape(), uniform(-10.0, 10.0), frequency(), shape(),
                  chance(0.05) ? 0.0 : uniform(0.0, 1.0) * frequency() / 10.0, frequency(),
                  frequency(), uniform(0.0, 1.3), shape(), chance(0.05) ? 0.0 : frequency() / 20.0,
                  uniform(0.0, 1.0), uniform(0.0, 1.3)},
                 &tables[2 * c],
                 &tables[2 * c + 1]});
        }
        const std::int64_t first = day * 24 * 3600 * rate + pick(rate * 10);
        auto stream = std::make_unique<OutputStream>();
        Prepare(*stream, channels, rate, resolution, frames, first);
        for (std::int64_t b = 0; b < 2; ++b) {
            const auto actual = RenderNext(*stream);
            const auto expected =
                reference::Render(channels, first + b * frames, frames, rate, resolution);
            for (std::size_t i = 0; i < actual.size(); i += sampleBytes, ++samples) {
                const auto difference =
                    std::llabs(CodeAt(&actual[i], sampleBytes) - CodeAt(&expected[i], sampleBytes));
                offByOne += difference == 1;
                larger += difference > 1;
            }
        }
    }
    EXPECT_GT(samples, 1000000);
    EXPECT_EQ(larger, 0);
    EXPECT_EQ(offByOne, 0)
        << offByOne << " of " << samples << " samples";
}

// At the start of a run and a day into it, every resolution.
TEST(Renderer, RandomSettingsMatchTheFormulas) {
    for (std::int64_t day : {0, 1})
        for (auto [resolution, runs] : {std::pair{8, 150}, {16, 300}, {24, 200}, {32, 300}})
            CompareRandomRuns(4 * day + resolution / 8, resolution, day, runs);  // seeds 1 to 8
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
    EXPECT_EQ(RenderNext(stream), reference::Render(channels, 0, 80, 8000, 16));

    const ChannelSettings after = {.Flags = 0, .Waveform = 3, .Frequency = 1234, .Amplitude = 0.9};
    stream.Channels[0].EditSettings = after;  // edited, not published: nothing changes
    EXPECT_EQ(RenderNext(stream), reference::Render(channels, 80, 80, 8000, 16));

    const WaveformTable first = Table({1.0, -1.0, 0.5}), second = Table({-0.25, 0.75});
    PublishChannel(stream, 0);
    stream.Channels[1].PendingWaveforms[WaveformSlotCarrier] = Table({1.0, -1.0, 0.5});
    channels[0].Settings = after;
    channels[1].Carrier = &first;
    EXPECT_EQ(RenderNext(stream), reference::Render(channels, 160, 80, 8000, 16));
    EXPECT_EQ(RenderNext(stream), reference::Render(channels, 240, 80, 8000, 16));
    stream.Channels[1].PendingWaveforms[WaveformSlotCarrier] = Table({-0.25, 0.75});
    channels[1].Carrier = &second;
    EXPECT_EQ(RenderNext(stream), reference::Render(channels, 320, 80, 8000, 16));
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
