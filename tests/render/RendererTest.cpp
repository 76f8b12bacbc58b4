#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <vector>

#include "audio/OutputStream.h"
#include "synth/Renderer.h"
#include "tests/render/ReferenceRenderer.h"

namespace tonquelle {
namespace {

constexpr double TestPi = 3.14159265358979323846;

using reference::Table;

// A stream as the engine sets it up before the first buffer.
void Prepare(OutputStream& stream, std::int32_t channels, std::int32_t rate,
             std::int32_t resolution, std::int32_t frames) {
    stream.Config.SampleRate = rate;
    stream.Config.Resolution = resolution;
    stream.Config.ChannelCount = channels;
    stream.Config.ChannelMask = (1 << channels) - 1;
    stream.BufferFrames = frames;
    stream.FrameCounter = 0;
}

std::vector<std::uint8_t> Render(OutputStream& stream) {
    std::vector<std::uint8_t> buffer(static_cast<std::size_t>(stream.BufferFrames) *
                                     stream.Config.ChannelCount * (stream.Config.Resolution / 8));
    RenderBuffer(stream, buffer.data());
    return buffer;
}

ChannelSettings Unmuted() {
    ChannelSettings s;
    s.Flags = 0;
    s.Amplitude = 0.9;
    return s;
}

// Publishes `settings` as channels 0..n-1 and returns the reference channels for them.
std::vector<reference::Channel> Publish(OutputStream& stream,
                                        const std::vector<ChannelSettings>& settings) {
    std::vector<reference::Channel> channels;
    for (std::size_t c = 0; c < settings.size(); ++c) {
        stream.Channels[c].EditSettings = settings[c];
        channels.push_back({settings[c], nullptr, nullptr});
    }
    PublishChannel(stream, -1);
    return channels;
}

// Renders `buffers` buffers of `channels` and compares them with the reference, at each
// resolution, once from the start and once after a long run: there the phases are large
// enough that a change in the order of the double operations shows in the 32-bit codes.
// `carrier`/`am` are per-channel user tables (or null), handed over before the first buffer.
void ExpectMatchesReference(const std::vector<ChannelSettings>& settings,
                            const std::vector<const WaveformTable*>& carrier = {},
                            const std::vector<const WaveformTable*>& am = {},
                            std::int32_t rate = 48000, std::int32_t frames = 480,
                            std::int32_t buffers = 3) {
    for (std::int64_t start : {std::int64_t{0}, std::int64_t{1} << 42})
        for (std::int32_t resolution : {8, 16, 24, 32}) {
            SCOPED_TRACE(resolution);
            SCOPED_TRACE(start);
            OutputStream stream;
            Prepare(stream, static_cast<std::int32_t>(settings.size()), rate, resolution, frames);
            stream.FrameCounter = start;
            auto channels = Publish(stream, settings);
            for (std::size_t c = 0; c < settings.size(); ++c) {
                const WaveformTable* tables[] = {c < carrier.size() ? carrier[c] : nullptr,
                                                 c < am.size() ? am[c] : nullptr};
                const std::int32_t slots[] = {WaveformSlotCarrier, WaveformSlotAM};
                for (int k = 0; k < 2; ++k) {
                    if (tables[k] == nullptr) {
                        continue;
                    }
                    WaveformTable copy;
                    copy.PointCount = tables[k]->PointCount;
                    copy.Points.reset(new double[copy.PointCount]);
                    std::copy(tables[k]->Points.get(), tables[k]->Points.get() + copy.PointCount,
                              copy.Points.get());
                    stream.Channels[c].PendingWaveforms[slots[k]] = std::move(copy);
                }
                channels[c].Carrier = tables[0];
                channels[c].AM = tables[1];
            }
            for (std::int32_t b = 0; b < buffers; ++b) {
                SCOPED_TRACE(b);
                const auto expected = reference::Render(channels, start + std::int64_t{b} * frames,
                                                        frames, rate, resolution);
                ASSERT_EQ(Render(stream), expected);
            }
            EXPECT_EQ(stream.FrameCounter, start + std::int64_t{buffers} * frames);
        }
}

TEST(Renderer, EveryCarrierShapeWithPhaseShiftsMatchesTheReference) {
    const WaveformTable user = Table({0.0, 1.0, 0.25, -0.75, -1.0});
    std::vector<ChannelSettings> settings;
    for (std::int32_t w = 0; w < WaveformIndex::Count; ++w) {
        ChannelSettings s = Unmuted();
        s.Waveform = w;
        s.Frequency = 233.0 + 97.5 * w;
        s.PhaseShift = 0.7 * w - 1.0;
        s.Amplitude = 0.2 + 0.15 * w;
        settings.push_back(s);
    }
    ChannelSettings loud = Unmuted();
    loud.Amplitude = 1.7;  // clipped by the encoding
    loud.Waveform = WaveformIndex::Triangle;
    settings.push_back(loud);
    ChannelSettings muted = Unmuted();
    muted.Flags = FlagMute | FlagFM | FlagAM;
    settings.push_back(muted);
    ExpectMatchesReference(settings, {nullptr, nullptr, nullptr, nullptr, nullptr, &user});
}

TEST(Renderer, FrequencyModulationWithEveryShapeMatchesTheReference) {
    std::vector<ChannelSettings> settings;
    for (std::int32_t w = 0; w < WaveformIndex::Count; ++w) {
        ChannelSettings s = Unmuted();
        s.Flags = FlagFM;
        s.Waveform = w % 5;
        s.FMWaveform = w;
        s.FMFrequency = 3.5 + w;
        s.FMMinFreq = 200.0 + 10 * w;
        s.FMMaxFreq = 900.0 - 10 * w;
        s.PhaseShift = 0.25 * w;
        settings.push_back(s);
    }
    ChannelSettings still = settings[0];
    still.FMFrequency = 0.0;
    settings.push_back(still);
    ChannelSettings mirrored = settings[1];
    mirrored.FMMinFreq = 1500.0;
    mirrored.FMMaxFreq = 300.0;
    settings.push_back(mirrored);
    ExpectMatchesReference(settings, {}, {}, 44100, 441, 4);
}

TEST(Renderer, AmplitudeModulationWithEveryShapeMatchesTheReference) {
    const WaveformTable envelope = Table({-1.0, 1.0, 0.5});
    std::vector<ChannelSettings> settings;
    for (std::int32_t w = 0; w < WaveformIndex::Count; ++w) {
        ChannelSettings s = Unmuted();
        s.Flags = FlagAM | (w % 2 == 0 ? FlagFM : 0);
        s.Waveform = (w + 2) % 5;
        s.AMWaveform = w;
        s.AMFrequency = 7.0 * (w + 1);
        s.AMMinAmp = 0.05 * w;
        s.AMMaxAmp = 0.95 - 0.05 * w;
        settings.push_back(s);
    }
    ChannelSettings still = settings[3];
    still.AMFrequency = 0.0;
    settings.push_back(still);
    ExpectMatchesReference(settings, {}, {nullptr, nullptr, nullptr, nullptr, nullptr, &envelope},
                           22050, 1000, 2);
}

TEST(Renderer, StartsAtTheSineOfThePhaseShift) {
    // At t = 0: sin(PhaseShift) * Amplitude, worked out by hand per resolution.
    OutputStream stream;
    Prepare(stream, 2, 44100, 32, 1);
    ChannelSettings a = Unmuted();
    a.PhaseShift = TestPi / 6;  // sin = 0.5
    a.Amplitude = 0.5;
    ChannelSettings b = Unmuted();
    b.PhaseShift = TestPi / 2;
    b.Amplitude = 0.25;
    Publish(stream, {a, b});
    const auto bytes = Render(stream);
    const auto code = [&bytes](int channel) {
        std::int32_t value;
        std::memcpy(&value, bytes.data() + 4 * channel, 4);
        return value;
    };
    // 0.25 * 2147483647 = 536870911.75 and 0.25 likewise: nearest 536870912, within one
    // code of rounding in sin.
    EXPECT_NEAR(code(0), 536870912, 1);
    EXPECT_NEAR(code(1), 536870912, 1);
}

// Decodes channel `channel` of 32-bit frames as full-scale values.
std::vector<double> Decode32(const std::vector<std::uint8_t>& bytes, int channels, int channel) {
    std::vector<double> values;
    for (std::size_t i = 4 * channel; i + 4 <= bytes.size(); i += 4 * channels) {
        std::int32_t code;
        std::memcpy(&code, bytes.data() + i, 4);
        values.push_back(code / 2147483647.0);
    }
    return values;
}

// Frequency measured from the rising zero crossings of `values` sampled at `rate`.
double ZeroCrossingFrequency(const std::vector<double>& values, double rate) {
    std::vector<double> crossings;
    for (std::size_t i = 1; i < values.size(); ++i) {
        if (values[i - 1] < 0.0 && values[i] >= 0.0) {
            // Linear interpolation of the crossing instant.
            crossings.push_back(i - 1 + values[i - 1] / (values[i - 1] - values[i]));
        }
    }
    if (crossings.size() < 2) {
        return 0.0;
    }
    return (crossings.size() - 1) * rate / (crossings.back() - crossings.front());
}

TEST(Renderer, MeasuredFrequenciesAndQuarterPeriodPhase) {
    OutputStream stream;
    Prepare(stream, 4, 48000, 32, 48000);
    ChannelSettings plain = Unmuted();
    plain.Frequency = 1000.0;
    ChannelSettings quarter = plain;
    quarter.PhaseShift = TestPi / 2;
    ChannelSettings centre = Unmuted();  // FM without movement: the mean of the two limits
    centre.Flags = FlagFM;
    centre.FMFrequency = 0.0;
    centre.FMMinFreq = 300.0;
    centre.FMMaxFreq = 500.0;
    ChannelSettings noDeviation = centre;  // the user shape gives no deviation
    noDeviation.FMFrequency = 5.0;
    noDeviation.FMWaveform = WaveformIndex::User;
    Publish(stream, {plain, quarter, centre, noDeviation});
    const auto bytes = Render(stream);
    EXPECT_NEAR(ZeroCrossingFrequency(Decode32(bytes, 4, 0), 48000), 1000.0, 0.01);
    EXPECT_NEAR(ZeroCrossingFrequency(Decode32(bytes, 4, 2), 48000), 400.0, 0.01);
    EXPECT_NEAR(ZeroCrossingFrequency(Decode32(bytes, 4, 3), 48000), 400.0, 0.01);
    // Channel 1 leads channel 0 by a quarter period for the whole second: it is the cosine.
    const auto sine = Decode32(bytes, 4, 0);
    const auto cosine = Decode32(bytes, 4, 1);
    for (std::size_t i = 0; i < sine.size(); i += 997) {
        const double t = i / 48000.0;
        EXPECT_NEAR(sine[i], 0.9 * std::sin(2 * TestPi * 1000 * t), 1e-6) << i;
        EXPECT_NEAR(cosine[i], 0.9 * std::cos(2 * TestPi * 1000 * t), 1e-6) << i;
    }
}

TEST(Renderer, DefaultModulationsFollowTheirClosedForms) {
    // Sine FM at 1 Hz between 440 and 880 Hz: phase 2π·660·t + 220·(1 − cos 2πt).
    // Sine AM at 1 Hz between 0.001 and 0.1 on a constant carrier (a square at 0 Hz is +1):
    // factor 0.0505 + 0.0495·sin 2πt.
    OutputStream stream;
    Prepare(stream, 2, 8000, 32, 8000);
    ChannelSettings fm = Unmuted();
    fm.Flags = FlagFM;
    fm.Amplitude = 1.0;
    ChannelSettings am = Unmuted();
    am.Flags = FlagAM;
    am.Waveform = WaveformIndex::Square;
    am.Frequency = 0.0;
    Publish(stream, {fm, am});
    const auto fmValues = Decode32(Render(stream), 2, 0);
    Prepare(stream, 2, 8000, 32, 8000);
    const auto bytes = Render(stream);
    const auto amValues = Decode32(bytes, 2, 1);
    for (std::size_t i = 0; i < fmValues.size(); i += 13) {
        const double t = i / 8000.0;
        const double phi = 2 * TestPi * 660 * t + 220 * (1 - std::cos(2 * TestPi * t));
        EXPECT_NEAR(fmValues[i], std::sin(phi), 1e-6) << i;
        EXPECT_NEAR(amValues[i], 0.0505 + 0.0495 * std::sin(2 * TestPi * t), 1e-8) << i;
    }
    // The instantaneous frequency rises from 660 Hz towards 880 Hz in the first quarter second:
    // more crossings in [0.1, 0.4] s than in [0.6, 0.9] s.
    const auto slice = [&fmValues](double from, double to) {
        return std::vector<double>(fmValues.begin() + static_cast<long>(from * 8000),
                                   fmValues.begin() + static_cast<long>(to * 8000));
    };
    EXPECT_GT(ZeroCrossingFrequency(slice(0.1, 0.4), 8000), 800.0);
    EXPECT_LT(ZeroCrossingFrequency(slice(0.6, 0.9), 8000), 520.0);
}

TEST(Renderer, AmplitudeModulationAtZeroHertzIsTheShapeValueAtPhaseZero) {
    // Shape value at phase 0: sine 0, triangle 0, falling saw +1, rising saw −1, square +1.
    const double min = 0.2, max = 0.6;
    const double expected[] = {0.4, 0.4, max, min, max};
    OutputStream stream;
    Prepare(stream, 5, 8000, 32, 16);
    std::vector<ChannelSettings> settings;
    for (std::int32_t w = 0; w < 5; ++w) {
        ChannelSettings s = Unmuted();
        s.Flags = FlagAM;
        s.Waveform = WaveformIndex::Square;  // +1 at 0 Hz
        s.Frequency = 0.0;
        s.AMWaveform = w;
        s.AMFrequency = 0.0;
        s.AMMinAmp = min;
        s.AMMaxAmp = max;
        settings.push_back(s);
    }
    Publish(stream, settings);
    const auto bytes = Render(stream);
    for (int w = 0; w < 5; ++w) {
        for (double v : Decode32(bytes, 5, w)) {
            EXPECT_NEAR(v, expected[w], 1e-9) << w;
        }
    }
}

TEST(Renderer, MutedChannelsWriteTheZeroCodeOfEachResolution) {
    for (std::int32_t resolution : {8, 16, 24, 32}) {
        OutputStream stream;
        Prepare(stream, 3, 44100, resolution, 100);
        ChannelSettings muted = Unmuted();
        muted.Flags = FlagMute | FlagFM | FlagAM;
        muted.AMMinAmp = 0.5;
        Publish(stream, {muted, muted, muted});
        const std::uint8_t zero = resolution == 8 ? 128 : 0;
        EXPECT_EQ(Render(stream), std::vector<std::uint8_t>(300 * (resolution / 8), zero));
    }
}

TEST(Renderer, UnknownShapeIndicesGiveSilenceOrNoModulation) {
    OutputStream stream;
    Prepare(stream, 3, 8000, 16, 400);
    ChannelSettings silent = Unmuted();
    silent.Waveform = 6;
    ChannelSettings fm = Unmuted();
    fm.Flags = FlagFM;
    fm.FMWaveform = -3;  // no deviation: the centre frequency
    ChannelSettings am = Unmuted();
    am.Flags = FlagAM;
    am.AMWaveform = 42;  // no modulation: the mean factor
    Publish(stream, {silent, fm, am});

    ChannelSettings centre = fm;
    centre.FMFrequency = 0.0;
    ChannelSettings mean = am;
    mean.Flags = 0;
    mean.Amplitude = (am.AMMaxAmp + am.AMMinAmp) / 2;
    ChannelSettings quiet = Unmuted();
    quiet.Amplitude = 0.0;
    const auto expected = reference::Render(
        {{quiet, nullptr, nullptr}, {centre, nullptr, nullptr}, {mean, nullptr, nullptr}}, 0, 400,
        8000, 16);
    EXPECT_EQ(Render(stream), expected);
}

TEST(Renderer, ASettingsChangeAppliesFromTheNextBufferOnly) {
    OutputStream stream;
    Prepare(stream, 2, 8000, 16, 80);
    ChannelSettings before = Unmuted();
    ChannelSettings after = before;
    after.Frequency = 1234.0;
    after.Waveform = WaveformIndex::SawRising;
    auto channels = Publish(stream, {before, before});
    EXPECT_EQ(Render(stream), reference::Render(channels, 0, 80, 8000, 16));

    // Edited but not published: nothing changes.
    stream.Channels[1].EditSettings = after;
    EXPECT_EQ(Render(stream), reference::Render(channels, 80, 80, 8000, 16));

    PublishChannel(stream, 1);
    channels[1].Settings = after;
    EXPECT_EQ(Render(stream), reference::Render(channels, 160, 80, 8000, 16));
    EXPECT_EQ(stream.Channels[1].LiveSettings, after);
    EXPECT_EQ(stream.Channels[0].LiveSettings, before);
}

TEST(Renderer, PublishCopiesOneChannelOrEveryChannelInUse) {
    OutputStream stream;
    stream.Config.ChannelCount = 2;
    for (ChannelState& channel : stream.Channels) {
        channel.EditSettings.Frequency = 1000.0;
    }
    PublishChannel(stream, -1);
    EXPECT_EQ(stream.Channels[0].PendingSettings.Frequency, 1000.0);
    EXPECT_EQ(stream.Channels[1].PendingSettings.Frequency, 1000.0);
    EXPECT_EQ(stream.Channels[2].PendingSettings.Frequency, 440.0);
    PublishChannel(stream, 7);
    EXPECT_EQ(stream.Channels[7].PendingSettings.Frequency, 1000.0);
    stream.Channels[6].EditSettings.Frequency = 5.0;
    PublishChannel(stream, 8);
    PublishChannel(stream, -2);
    EXPECT_EQ(stream.Channels[6].PendingSettings.Frequency, 440.0);
}

TEST(Renderer, TakesOverPendingTablesAndKeepsLiveOnesUntilReplaced) {
    OutputStream stream;
    Prepare(stream, 1, 8000, 16, 40);
    ChannelSettings user = Unmuted();
    user.Waveform = WaveformIndex::User;
    user.Frequency = 100.0;
    auto channels = Publish(stream, {user});
    // No table yet: silent.
    EXPECT_EQ(Render(stream), std::vector<std::uint8_t>(80, 0));

    const WaveformTable first = Table({1.0, -1.0, 0.5});
    stream.Channels[0].PendingWaveforms[WaveformSlotCarrier] = Table({1.0, -1.0, 0.5});
    channels[0].Carrier = &first;
    EXPECT_EQ(Render(stream), reference::Render(channels, 40, 40, 8000, 16));
    EXPECT_TRUE(stream.Channels[0].PendingWaveforms[WaveformSlotCarrier].Empty());
    EXPECT_EQ(stream.Channels[0].PendingWaveforms[WaveformSlotCarrier].Points, nullptr);
    // Nothing new pending: the live table stays.
    EXPECT_EQ(Render(stream), reference::Render(channels, 80, 40, 8000, 16));

    const WaveformTable second = Table({-0.25, 0.75});
    stream.Channels[0].PendingWaveforms[WaveformSlotCarrier] = Table({-0.25, 0.75});
    channels[0].Carrier = &second;
    EXPECT_EQ(Render(stream), reference::Render(channels, 120, 40, 8000, 16));
    EXPECT_EQ(stream.Channels[0].LiveWaveforms[WaveformSlotCarrier].PointCount, 2);
}

}  // namespace
}  // namespace tonquelle
