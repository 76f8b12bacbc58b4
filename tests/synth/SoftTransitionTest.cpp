// Soft transitions: a channel whose settings or tables changed since the previous buffer fades
// from its old signal to its new one over the buffer's first 10 ms (raised cosine), so that no
// change steps further than the signals themselves. Everything else stays the plain renderer's
// bytes, and so does everything with the option off.

#include "synth/SoftTransition.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <vector>

#include "tests/render/ReferenceRenderer.h"
#include "tests/support/SameBytes.h"

namespace tonquelle {
namespace {

using testing::SameBytes;
using Bytes = std::vector<std::uint8_t>;

constexpr double Pi = std::numbers::pi;
constexpr std::int32_t Rate = 48000;
constexpr std::int32_t TenMs = 480;    // frames of 10 ms at 48000 Hz
constexpr std::int32_t Frames = 1024;  // a buffer longer than 10 ms

const ChannelSettings FullScaleSine = {.Flags = 0, .Frequency = 1000.0, .Amplitude = 1.0};

// Channel `channel` of interleaved 32-bit frames, as values of full scale.
std::vector<double> Values(const Bytes& bytes, std::int32_t channels = 1,
                           std::int32_t channel = 0) {
    std::vector<double> values;
    for (std::size_t i = 4 * channel; i < bytes.size(); i += 4 * channels)
        values.push_back(reference::CodeAt(&bytes[i], 4) / 2147483647.0);
    return values;
}

double LargestStep(const std::vector<double>& values) {
    double largest = 0.0;
    for (std::size_t i = 1; i < values.size(); ++i)
        largest = std::max(largest, std::fabs(values[i] - values[i - 1]));
    return largest;
}

// One channel at 48000 Hz, 32 bits: a buffer of `before`, then `after` published, and
// `buffers` more; soft transitions as given from the second buffer on (the first is the start).
Bytes RenderChange(const ChannelSettings& before, const ChannelSettings& after, bool soft,
                   std::int32_t frames = Frames, std::int32_t buffers = 2) {
    OutputStream stream;
    reference::Prepare(stream, {{before}}, Rate, 32, frames);
    Bytes bytes = reference::RenderNext(stream);
    SetSoftTransitions(stream, soft);
    stream.Channels[0].EditSettings = after;
    PublishChannel(stream, 0);
    for (std::int32_t b = 0; b < buffers; ++b) {
        const Bytes next = reference::RenderNext(stream);
        bytes.insert(bytes.end(), next.begin(), next.end());
    }
    return bytes;
}

// The plain renderer's bytes of `settings` over the same frames.
Bytes Plain(const ChannelSettings& settings, std::int64_t first, std::int32_t frames) {
    return reference::Render({{settings}}, first, frames, Rate, 32);
}

// The change of each case happens where the old sine stands at sin(2π·1024/48) = 0.87 of full
// scale. Without soft transitions it steps far beyond the signals' own steps; with them, no step
// exceeds the larger own step of the two signals (measured on the reference's rendering of each)
// by more than 1 %.
TEST(SoftTransition, NoChangeStepsFurtherThanTheSignalsThemselves) {
    struct Change {
        const char* name;
        ChannelSettings before, after;
    };
    ChannelSettings muted = FullScaleSine, faster = FullScaleSine, shifted = FullScaleSine;
    muted.Flags = FlagMute;
    faster.Frequency = 5000.0;
    shifted.PhaseShift = Pi;
    const Change changes[] = {{"unmute", muted, FullScaleSine},
                              {"1 kHz to 5 kHz", FullScaleSine, faster},
                              {"phase 180 degrees", FullScaleSine, shifted}};
    for (const Change& change : changes) {
        SCOPED_TRACE(change.name);
        const double ownStep = std::max(LargestStep(Values(Plain(change.before, 0, 3 * Frames))),
                                        LargestStep(Values(Plain(change.after, 0, 3 * Frames))));
        EXPECT_GT(LargestStep(Values(RenderChange(change.before, change.after, false))),
                  1.5 * ownStep);
        EXPECT_LT(LargestStep(Values(RenderChange(change.before, change.after, true))),
                  1.01 * ownStep);
    }
}

// The buffer with the change starts on the old signal, is half way at 5 ms and plays the new
// signal exactly from 10 ms on; the next buffer is the new signal's bytes.
TEST(SoftTransition, FadesOverTheFirstTenMilliseconds) {
    ChannelSettings muted = FullScaleSine;
    muted.Flags = FlagMute;
    const std::vector<double> faded = Values(RenderChange(muted, FullScaleSine, true));
    const std::vector<double> sine = Values(Plain(FullScaleSine, 0, 3 * Frames));
    EXPECT_EQ(faded[Frames], 0.0);  // the old signal: silence
    // A raised cosine: at 2.5 ms the new signal's weight is (1 - cos 45°) / 2, at 5 ms a half.
    EXPECT_NEAR(faded[Frames + TenMs / 4], 0.1464466094 * sine[Frames + TenMs / 4], 1e-9);
    EXPECT_NEAR(faded[Frames + TenMs / 2], 0.5 * sine[Frames + TenMs / 2], 1e-9);
    for (std::int32_t i = 1; i < TenMs; ++i)
        EXPECT_LT(std::fabs(faded[Frames + i]), std::fabs(sine[Frames + i]) + 1e-9) << i;
    const Bytes bytes = RenderChange(muted, FullScaleSine, true);
    const Bytes afterFade(bytes.begin() + 4 * (Frames + TenMs), bytes.end());
    EXPECT_EQ(afterFade, Plain(FullScaleSine, Frames + TenMs, 2 * Frames - TenMs));
}

// A buffer shorter than 10 ms fades over its whole length; the next one is the new signal.
TEST(SoftTransition, ShortBufferFadesOverItsWholeLength) {
    const std::int32_t frames = 200;  // 4.2 ms
    ChannelSettings shifted = FullScaleSine;
    shifted.PhaseShift = Pi;
    const Bytes bytes = RenderChange(FullScaleSine, shifted, true, frames, 2);
    const std::vector<double> values = Values(bytes);
    const std::vector<double> old = Values(Plain(FullScaleSine, 0, 2 * frames));
    EXPECT_NEAR(values[frames], old[frames], 1e-9);  // starts on the old signal
    // Half way the old sine and its inversion cancel.
    EXPECT_NEAR(values[frames + frames / 2], 0.0, 1e-9);
    EXPECT_TRUE(SameBytes(Bytes(bytes.begin() + 4 * 2 * frames, bytes.end()),
                          Plain(shifted, 2 * frames, frames)));
}

// A user table replaced at the change: the fade starts on the old table, which stays valid until
// the buffer is rendered, and ends on the new one.
TEST(SoftTransition, FadesFromTheReplacedTable) {
    const WaveformTable high = reference::Table({0.75}), low = reference::Table({-0.5});
    OutputStream stream;
    reference::Prepare(
        stream, {{.Settings = {.Flags = 0, .Waveform = WaveformIndex::User}, .Carrier = &high}},
        Rate, 32, Frames);
    reference::RenderNext(stream);
    SetSoftTransitions(stream, true);
    stream.Channels[0].PendingWaveforms[WaveformSlotCarrier] = reference::Table({-0.5});
    const std::vector<double> values = Values(reference::RenderNext(stream));
    // A one-point table is a constant times the amplitude 0.1.
    EXPECT_NEAR(values[0], 0.075, 1e-9);
    EXPECT_NEAR(values[TenMs / 2], (0.075 - 0.05) / 2, 1e-9);
    EXPECT_NEAR(values[TenMs], -0.05, 1e-9);
    EXPECT_TRUE(std::is_sorted(values.rbegin(), values.rend()));  // falls steadily
    EXPECT_EQ(low.PointCount, 1);
}

// Settings that change in every buffer after the start (mute, frequency, modulation, the user
// shape) on one channel of three: with the option off every byte is the plain renderer's; with
// it on, the channels that did not change and the frames after the fade are too.
TEST(SoftTransition, OffChangesNothingAndOnTouchesOnlyTheFadeOfChangedChannels) {
    const WaveformTable user = reference::Table({0.0, 1.0, -0.5});
    std::vector<reference::Channel> channels = reference::Varied(user);
    channels.resize(3);
    std::vector<ChannelSettings> steps(5, channels[0].Settings);
    steps[1].Flags = FlagMute;
    steps[2].Frequency = 1500.0;
    steps[3].Flags = FlagFM | FlagAM;
    steps[4].Waveform = WaveformIndex::User;
    for (const bool soft : {false, true}) {
        SCOPED_TRACE(soft ? "on" : "off");
        OutputStream stream;
        reference::Prepare(stream, channels, Rate, 32, Frames);
        reference::RenderNext(stream);  // the start, which fades in from silence when on
        SetSoftTransitions(stream, soft);
        std::int64_t first = Frames;
        for (const ChannelSettings& step : steps) {
            stream.Channels[0].EditSettings = step;
            PublishChannel(stream, 0);
            channels[0].Settings = step;
            const Bytes actual = reference::RenderNext(stream);
            const Bytes plain = reference::Render(channels, first, Frames, Rate, 32);
            if (!soft) {
                EXPECT_TRUE(SameBytes(actual, plain)) << first;
            } else {
                EXPECT_EQ(Values(actual, 3, 1), Values(plain, 3, 1)) << first;
                EXPECT_EQ(Values(actual, 3, 2), Values(plain, 3, 2)) << first;
                const std::vector<double> a = Values(actual, 3, 0), p = Values(plain, 3, 0);
                EXPECT_TRUE(std::equal(a.begin() + TenMs, a.end(), p.begin() + TenMs)) << first;
            }
            first += Frames;
        }
    }
}

// The switch is what the settings file keeps, too.
TEST(SoftTransition, SwitchSetsTheStoredChoice) {
    OutputStream stream;
    SetSoftTransitions(stream, true);
    EXPECT_EQ(stream.Config.SoftTransitions, 1);
    EXPECT_TRUE(stream.SoftTransitions.load());
    SetSoftTransitions(stream, false);
    EXPECT_EQ(stream.Config.SoftTransitions, 0);
    EXPECT_FALSE(stream.SoftTransitions.load());
    EXPECT_EQ(SoftTransitionFrames(44100, 11025), 441);
    EXPECT_EQ(SoftTransitionFrames(44100, 100), 100);
    EXPECT_EQ(SoftTransitionFrames(50, 100), 1);
}

}  // namespace
}  // namespace tonquelle
