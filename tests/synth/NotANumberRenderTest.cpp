// The renderer turns every value that is not a number into silence, on the vector paths and the
// plain one alike: nothing typed or loaded can make it play full-scale DC.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <numbers>
#include <vector>

#include "records/OutputStream.h"
#include "tests/render/ReferenceRenderer.h"

namespace tonquelle {
namespace {

const double NaN = std::nan("");

// One channel for each place a NaN can enter a sample: the sine carrier's amplitude, frequency
// and phase, sine frequency and amplitude modulation (the vector paths), a triangle and a square
// (computed the plain way), and a user table holding NaN points.
std::vector<reference::Channel> NaNChannels(const WaveformTable& nanTable) {
    const double halfPi = std::numbers::pi / 2;
    return {
        {{.Flags = 0, .Frequency = 1000.0, .Amplitude = NaN}},
        {{.Flags = 0, .PhaseShift = halfPi, .Frequency = NaN, .Amplitude = 1.0}},
        {{.Flags = 0, .PhaseShift = NaN, .Frequency = 440.0, .Amplitude = 1.0}},
        {{.Flags = FlagFM, .FMMinFreq = NaN, .Amplitude = 1.0}},
        {{.Flags = FlagAM, .Frequency = 1000.0, .AMMaxAmp = NaN}},
        {{.Flags = 0, .Waveform = WaveformIndex::Triangle, .Amplitude = NaN}},
        {{.Flags = 0, .Waveform = WaveformIndex::Square, .PhaseShift = NaN, .Amplitude = 1.0}},
        {{.Flags = 0, .Waveform = WaveformIndex::User, .Amplitude = 1.0}, &nanTable},
    };
}

TEST(RenderNotANumber, EverySampleIsTheZeroCodeAtEveryResolution) {
    const WaveformTable nanTable = reference::Table({NaN, NaN});
    for (std::int64_t start : {std::int64_t{0}, std::int64_t{1} << 40})
        for (std::int32_t resolution : {8, 16, 24, 32}) {
            SCOPED_TRACE(::testing::Message() << resolution << " bits from frame " << start);
            OutputStream stream;
            reference::Prepare(stream, NaNChannels(nanTable), 44100, resolution, 600, start);
            const std::uint8_t zero = resolution == 8 ? 0x80 : 0x00;
            for (int buffer = 0; buffer < 2; ++buffer) {
                EXPECT_EQ(reference::RenderNext(stream),
                          std::vector<std::uint8_t>(600 * 8 * (resolution / 8), zero));
            }
        }
}

// A channel of shape `shape` (as carrier, FM and AM shape, user tables from `table`) for each way
// a phase becomes infinite or NaN: an infinite frequency of either sign (the phase is NaN at
// t = 0, infinite after), a NaN phase shift, an infinite FM maximum, a NaN FM frequency, and an
// infinite AM frequency (the amplitude factor's phase).
std::vector<reference::Channel> NonFinitePhaseChannels(std::int32_t shape,
                                                       const WaveformTable& table) {
    const double infinity = HUGE_VAL;
    const ChannelSettings base = {.Flags = 0,
                                  .Waveform = shape,
                                  .Frequency = 1000.0,
                                  .FMWaveform = shape,
                                  .Amplitude = 0.9,
                                  .AMWaveform = shape};
    std::vector<ChannelSettings> settings(6, base);
    settings[0].Frequency = infinity;
    settings[1].Frequency = -infinity;
    settings[2].PhaseShift = NaN;
    settings[3].Flags = FlagFM;
    settings[3].FMMaxFreq = infinity;
    settings[4].Flags = FlagFM;
    settings[4].FMFrequency = NaN;
    settings[5].Flags = FlagAM;
    settings[5].AMFrequency = infinity;
    std::vector<reference::Channel> channels;
    for (const ChannelSettings& s : settings)
        channels.push_back({s, &table, &table});
    return channels;
}

// Every shape is NaN at a phase that is infinite or not a number: the block kernels' shapes too
// play it as silence, never as the value of phase 0 (full scale for the square and the saws).
TEST(RenderNotANumber, EveryShapeAtAnInfiniteOrNaNPhaseIsTheZeroCode) {
    const WaveformTable table = reference::Table({0.5, 1.0, -1.0});
    for (std::int32_t shape = 0; shape < 6; ++shape)
        for (std::int64_t start : {std::int64_t{0}, std::int64_t{1} << 40})
            for (std::int32_t resolution : {8, 16, 24, 32}) {
                SCOPED_TRACE(::testing::Message() << "shape " << shape << ", " << resolution
                                                  << " bits from frame " << start);
                OutputStream stream;
                reference::Prepare(stream, NonFinitePhaseChannels(shape, table), 44100, resolution,
                                   300, start);
                const std::uint8_t zero = resolution == 8 ? 0x80 : 0x00;
                EXPECT_EQ(reference::RenderNext(stream),
                          std::vector<std::uint8_t>(300 * 6 * (resolution / 8), zero));
            }
}

// Infinite and NaN values that leave the values numbers play as the formulas give them: the
// frequency and the modulation settings of a switched-off modulation, an FM shape without an
// integral (the user shape, an unknown index: no deviation, 0 / ∞ = 0), an AM shape that is 0
// (an unknown index, a user shape without points), the limits of FM at 0 Hz (the centre only);
// an infinite amplitude or AM maximum, clipped to full scale.
TEST(RenderNotANumber, InfiniteValuesThatLeaveNumbersPlayAsTheFormulasSay) {
    const double infinity = HUGE_VAL;
    const WaveformTable table = reference::Table({0.5, 1.0, -1.0});
    const std::vector<ChannelSettings> settings = {
        {.Flags = FlagFM, .Frequency = infinity, .Amplitude = 0.9},
        {.Flags = 0,
         .FMFrequency = NaN,
         .FMMaxFreq = infinity,
         .Amplitude = infinity,
         .AMFrequency = infinity},
        {.Flags = FlagFM, .FMWaveform = WaveformIndex::User, .FMFrequency = infinity},
        {.Flags = FlagFM, .FMWaveform = 7, .FMFrequency = -infinity},
        {.Flags = FlagFM,
         .PhaseShift = 1.0,
         .FMFrequency = 0.0,
         .FMMinFreq = -1e308,
         .FMMaxFreq = 1e308},
        {.Flags = FlagAM, .AMWaveform = 6, .AMFrequency = NaN, .AMMinAmp = 0.5},
        {.Flags = FlagAM, .AMWaveform = WaveformIndex::User, .AMFrequency = infinity},
        {.Flags = FlagAM, .AMMaxAmp = infinity}};
    std::vector<reference::Channel> channels;
    for (const ChannelSettings& s : settings)
        channels.push_back({s, &table});  // the AM table has no points
    for (std::int32_t resolution : {8, 16, 24, 32}) {
        SCOPED_TRACE(::testing::Message() << resolution << " bits");
        OutputStream stream;
        reference::Prepare(stream, channels, 44100, resolution, 300, 44100);
        const std::vector<std::uint8_t> rendered = reference::RenderNext(stream);
        EXPECT_EQ(rendered, reference::Render(channels, 44100, 300, 44100, resolution));
        const std::int32_t sampleBytes = resolution / 8;
        for (std::size_t c = 0; c < channels.size(); ++c) {
            std::int32_t sounding = 0;  // samples away from the zero code
            for (std::size_t i = c * sampleBytes; i < rendered.size(); i += 8 * sampleBytes)
                sounding +=
                    reference::CodeAt(&rendered[i], sampleBytes) != (resolution == 8 ? 128 : 0);
            EXPECT_GT(sounding, 100) << "channel " << c;
        }
    }
}

}  // namespace
}  // namespace tonquelle
