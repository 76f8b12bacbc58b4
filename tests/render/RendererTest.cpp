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

// Every carrier shape with phase shifts; FM with every shape, at 0 Hz and with the limits
// swapped; AM with every shape, a user table and at 0 Hz; clipping, mute and shape indices
// outside 0..5 (silence for the carrier, no modulation for FM and AM). Each at every
// resolution, from the start and after a long run, where the phases are large enough that a
// change in the order of the double operations shows in the 32-bit codes.
TEST(Renderer, MatchesTheReferenceForEveryShapeAndModulation) {
    const WaveformTable user = Table({0.0, 1.0, 0.25, -0.75, -1.0});
    const WaveformTable envelope = Table({-1.0, 1.0, 0.5});
    Channels carriers, fm, am;
    for (std::int32_t w = 0; w < WaveformIndex::Count; ++w) {
        carriers.push_back({{.Flags = 0,
                             .Waveform = w,
                             .PhaseShift = 0.7 * w - 1.0,
                             .Frequency = 233.0 + 97.5 * w,
                             .Amplitude = 0.2 + 0.15 * w},
                            &user});
        fm.push_back({{.Flags = FlagFM,
                       .Waveform = w % 5,
                       .PhaseShift = 0.25 * w,
                       .FMWaveform = w,
                       .FMFrequency = 3.5 + w,
                       .FMMinFreq = 200.0 + 10 * w,
                       .FMMaxFreq = 900.0 - 10 * w,
                       .Amplitude = 0.9}});
        am.push_back({{.Flags = FlagAM | (w % 2 == 0 ? FlagFM : 0),
                       .Waveform = (w + 2) % 5,
                       .AMWaveform = w,
                       .AMFrequency = 7.0 * (w + 1),
                       .AMMinAmp = 0.05 * w,
                       .AMMaxAmp = 0.95 - 0.05 * w},
                      nullptr,
                      &envelope});
    }
    fm.push_back({{.Flags = FlagFM, .FMFrequency = 0.0, .Amplitude = 0.9}});
    fm.push_back({{.Flags = FlagFM, .FMWaveform = 1, .FMMinFreq = 1500.0, .FMMaxFreq = 300.0}});
    am.push_back({{.Flags = FlagAM, .Waveform = 3, .AMWaveform = 3, .AMFrequency = 0.0}});
    const Channels odd = {{{.Flags = 0, .Waveform = 1, .Amplitude = 1.7}},  // clipped
                          {{.Flags = FlagMute | FlagFM | FlagAM, .Amplitude = 0.9}},
                          {{.Flags = 0, .Waveform = 6, .Amplitude = 0.9}},
                          {{.Flags = FlagFM, .FMWaveform = -3, .Amplitude = 0.9}},
                          {{.Flags = FlagAM, .AMWaveform = 42}}};
    for (const Channels& channels : {carriers, fm, am, odd})
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
        std::int32_t code;
        std::memcpy(&code, bytes.data() + 4 * (4 * frame + channel), 4);
        return code / 2147483647.0;
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

    const ChannelSettings after = {
        .Flags = 0, .Waveform = 3, .Frequency = 1234.0, .Amplitude = 0.9};
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
    for (ChannelState& channel : stream.Channels) {
        channel.EditSettings.Frequency = 1000.0;
    }
    for (std::int32_t c : {-1, 7, 8, -2}) {
        PublishChannel(stream, c);
    }
    for (std::int32_t c = 0; c < MaxChannels; ++c) {
        EXPECT_EQ(stream.Channels[c].PendingSettings.Frequency, c < 2 || c == 7 ? 1000.0 : 440.0);
    }
}

}  // namespace
}  // namespace tonquelle
