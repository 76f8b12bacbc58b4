// The renderer turns every value that is not a number into silence, on the vector paths and the
// plain one alike: nothing typed or loaded can make it play full-scale DC.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <numbers>
#include <vector>

#include "audio/OutputStream.h"
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

}  // namespace
}  // namespace tonquelle
