#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <numbers>
#include <vector>

#include "audio/OutputStream.h"
#include "synth/Renderer.h"
#include "tests/render/ReferenceRenderer.h"

namespace tonquelle {
namespace {

using reference::Prepare;
using reference::RenderNext;
using reference::Table;
using Channels = std::vector<reference::Channel>;

ChannelSettings Unmuted(std::int32_t flags = 0) {
    ChannelSettings s;
    s.Flags = flags;
    s.Amplitude = 0.9;
    return s;
}

// Every carrier shape with phase shifts, clipping, mute and a user table; FM with every shape,
// at 0 Hz and with the limits swapped; AM with every shape, a user table and at 0 Hz. Each at
// every resolution, from the start and after a long run, where the phases are large enough
// that a change in the order of the double operations shows in the 32-bit codes.
TEST(Renderer, MatchesTheReferenceForEveryShapeAndModulation) {
    const WaveformTable user = Table({0.0, 1.0, 0.25, -0.75, -1.0});
    const WaveformTable envelope = Table({-1.0, 1.0, 0.5});
    Channels carriers, fm, am;
    for (std::int32_t w = 0; w < WaveformIndex::Count; ++w) {
        ChannelSettings s = Unmuted();
        s.Waveform = w;
        s.Frequency = 233.0 + 97.5 * w;
        s.PhaseShift = 0.7 * w - 1.0;
        s.Amplitude = 0.2 + 0.15 * w;
        carriers.push_back({s, &user});
        s = Unmuted(FlagFM);
        s.Waveform = w % 5;
        s.FMWaveform = w;
        s.FMFrequency = 3.5 + w;
        s.FMMinFreq = 200.0 + 10 * w;
        s.FMMaxFreq = 900.0 - 10 * w;
        s.PhaseShift = 0.25 * w;
        fm.push_back({s});
        s = Unmuted(FlagAM | (w % 2 == 0 ? FlagFM : 0));
        s.Waveform = (w + 2) % 5;
        s.AMWaveform = w;
        s.AMFrequency = 7.0 * (w + 1);
        s.AMMinAmp = 0.05 * w;
        s.AMMaxAmp = 0.95 - 0.05 * w;
        am.push_back({s, nullptr, &envelope});
    }
    carriers.push_back({Unmuted()});
    carriers.back().Settings.Amplitude = 1.7;  // clipped by the encoding
    carriers.back().Settings.Waveform = WaveformIndex::Triangle;
    carriers.push_back({Unmuted(FlagMute | FlagFM | FlagAM)});
    fm.push_back(fm[0]);
    fm.back().Settings.FMFrequency = 0.0;
    fm.push_back(fm[1]);
    fm.back().Settings.FMMinFreq = 1500.0;
    fm.back().Settings.FMMaxFreq = 300.0;
    am.push_back(am[3]);
    am.back().Settings.AMFrequency = 0.0;
    for (const Channels& channels : {carriers, fm, am})
        for (std::int64_t start : {std::int64_t{0}, std::int64_t{1} << 42})
            for (std::int32_t resolution : {8, 16, 24, 32}) {
                SCOPED_TRACE(::testing::Message() << resolution << " bits from " << start);
                OutputStream stream;
                Prepare(stream, channels, 44100, resolution, 441, start);
                for (std::int64_t b = 0; b < 3; ++b) {
                    ASSERT_EQ(RenderNext(stream),
                              reference::Render(channels, start + b * 441, 441, 44100, resolution));
                }
                EXPECT_EQ(stream.FrameCounter, start + 3 * 441);
            }
}

// 32-bit codes as full-scale values, channel by channel.
std::vector<std::vector<double>> Decode32(const std::vector<std::uint8_t>& bytes, int channels) {
    std::vector<std::vector<double>> values(channels);
    for (std::size_t i = 0; i + 4 <= bytes.size(); i += 4) {
        std::int32_t code;
        std::memcpy(&code, bytes.data() + i, 4);
        values[(i / 4) % channels].push_back(code / 2147483647.0);
    }
    return values;
}

// Closed forms worked out by hand. A 1000 Hz sine and its quarter-period shift, the cosine.
// Sine FM at 1 Hz between 440 and 880 Hz: phase 2π·660·t + 220·(1 − cos 2πt). Sine AM at 1 Hz
// between 0.001 and 0.1 on a constant carrier (a square at 0 Hz is +1): 0.0505 + 0.0495·sin 2πt.
TEST(Renderer, FollowsTheClosedForms) {
    Channels channels(4, {Unmuted()});
    channels[0].Settings.Frequency = channels[1].Settings.Frequency = 1000.0;
    channels[1].Settings.PhaseShift = std::numbers::pi / 2;
    channels[2].Settings = Unmuted(FlagFM);
    channels[2].Settings.Amplitude = 1.0;
    channels[3].Settings = Unmuted(FlagAM);
    channels[3].Settings.Waveform = WaveformIndex::Square;
    channels[3].Settings.Frequency = 0.0;
    OutputStream stream;
    Prepare(stream, channels, 8000, 32, 8000);
    const auto v = Decode32(RenderNext(stream), 4);
    for (std::size_t i = 0; i < 8000; i += 13) {
        const double t = i / 8000.0, w = 2 * std::numbers::pi;
        EXPECT_NEAR(v[0][i], 0.9 * std::sin(w * 1000 * t), 1e-6) << i;
        EXPECT_NEAR(v[1][i], 0.9 * std::cos(w * 1000 * t), 1e-6) << i;
        EXPECT_NEAR(v[2][i], std::sin(w * 660 * t + 220 * (1 - std::cos(w * t))), 1e-6) << i;
        EXPECT_NEAR(v[3][i], 0.0505 + 0.0495 * std::sin(w * t), 1e-8) << i;
    }
}

TEST(Renderer, MutedChannelsWriteTheZeroCodeOfEachResolution) {
    for (std::int32_t resolution : {8, 16, 24, 32}) {
        ChannelSettings muted = Unmuted(FlagMute | FlagFM | FlagAM);
        muted.AMMinAmp = 0.5;
        OutputStream stream;
        Prepare(stream, Channels(3, {muted}), 44100, resolution, 100);
        EXPECT_EQ(RenderNext(stream),
                  std::vector<std::uint8_t>(300 * (resolution / 8), resolution == 8 ? 128 : 0));
    }
}

// Waveform indices outside 0..5: silence for the carrier, no modulation for FM and AM.
TEST(Renderer, UnknownShapeIndicesGiveSilenceOrNoModulation) {
    Channels channels{{Unmuted()}, {Unmuted(FlagFM)}, {Unmuted(FlagAM)}};
    channels[0].Settings.Waveform = 6;
    channels[1].Settings.FMWaveform = -3;
    channels[2].Settings.AMWaveform = 42;
    OutputStream stream;
    Prepare(stream, channels, 8000, 16, 400);
    channels[0].Settings.Amplitude = 0.0;
    channels[1].Settings.FMFrequency = 0.0;  // the centre frequency
    channels[2].Settings.Flags = 0;          // the mean factor
    channels[2].Settings.Amplitude =
        (channels[2].Settings.AMMaxAmp + channels[2].Settings.AMMinAmp) / 2;
    EXPECT_EQ(RenderNext(stream), reference::Render(channels, 0, 400, 8000, 16));
}

// Settings and tables change at a buffer's start only, and only once published; a live table
// stays until a new one is handed over.
TEST(Renderer, ChangesApplyFromTheNextBufferOnly) {
    Channels channels(2, {Unmuted()});
    channels[1].Settings.Waveform = WaveformIndex::User;
    OutputStream stream;
    Prepare(stream, channels, 8000, 16, 80);
    EXPECT_EQ(RenderNext(stream), reference::Render(channels, 0, 80, 8000, 16));

    ChannelSettings after = channels[0].Settings;
    after.Frequency = 1234.0;
    after.Waveform = WaveformIndex::SawRising;
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
}

TEST(Renderer, PublishCopiesOneChannelOrEveryChannelInUse) {
    OutputStream stream;
    stream.Config.ChannelCount = 2;
    for (ChannelState& channel : stream.Channels) {
        channel.EditSettings.Frequency = 1000.0;
    }
    PublishChannel(stream, -1);
    PublishChannel(stream, 7);
    PublishChannel(stream, 8);  // out of range: ignored
    PublishChannel(stream, -2);
    for (std::int32_t c = 0; c < MaxChannels; ++c) {
        EXPECT_EQ(stream.Channels[c].PendingSettings.Frequency, c < 2 || c == 7 ? 1000.0 : 440.0)
            << c;
    }
}

}  // namespace
}  // namespace tonquelle
