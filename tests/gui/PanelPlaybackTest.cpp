#include <cmath>
#include <cstring>
#include <numbers>

#include "tests/gui/PanelTestSupport.h"

namespace tonquelle::testing {
namespace {

using C = PanelControl;
using PanelPlayback = PanelTest;

// Frames of the test stream: 8000 Hz, 10 ms buffers, two 16-bit channels.
constexpr int FramesPerBuffer = 80;
constexpr int Channels = 2;

std::int16_t SampleAt(const std::vector<std::uint8_t>& bytes, int frame, int channel) {
    std::int16_t sample;
    std::memcpy(&sample, bytes.data() + (frame * Channels + channel) * 2, sizeof sample);
    return sample;
}

// A change on a panel is heard from the next buffer the stream renders: the two buffers that
// were already rendered play as before, the third one carries the change.
TEST_F(PanelPlayback, UnmutingIsHeardFromTheNextRenderedBuffer) {
    Start(0x3);
    Retype(C::FrequencyText, "1000", 1);
    Click(C::MuteCheck, 1);
    ASSERT_EQ(driver.PlayBuffers(3), 3);
    const std::vector<std::uint8_t> played = driver.PlayedBytes();
    ASSERT_EQ(played.size(), 3u * FramesPerBuffer * Channels * 2);

    for (int frame = 0; frame < 3 * FramesPerBuffer; ++frame) {
        EXPECT_EQ(SampleAt(played, frame, 0), 0) << frame;  // channel 0 stays muted
    }
    for (int frame = 0; frame < 2 * FramesPerBuffer; ++frame) {
        EXPECT_EQ(SampleAt(played, frame, 1), 0) << frame;
    }
    // 0.1 * sin(2π · 1000 Hz · t) on the common time base, t = frame / 8000.
    for (int frame = 2 * FramesPerBuffer; frame < 3 * FramesPerBuffer; ++frame) {
        const double expected =
            0.1 * std::sin(1000.0 * 2 * std::numbers::pi * frame / 8000.0) * 32767.0;
        EXPECT_NEAR(SampleAt(played, frame, 1), expected, 2.0) << frame;
    }
}

TEST_F(PanelPlayback, AmplitudeSliderChangesTheLevel) {
    Start(0x1 | 0x2);
    Click(C::MuteCheck, 0);
    ASSERT_EQ(driver.PlayBuffers(2), 2);  // rendered before the unmute
    WaitUntilBothBuffersQueued();
    driver.ClearPlayedBytes();
    Slider(C::AmplitudeSlider, 0)->setSliderPosition(300);  // 0 dB: full scale
    // Two buffers were rendered at -20 dB before the slider moved; the third is at 0 dB.
    ASSERT_EQ(driver.PlayBuffers(3), 3);
    const std::vector<std::uint8_t> played = driver.PlayedBytes();
    int quietPeak = 0;
    int loudPeak = 0;
    for (int frame = 0; frame < 2 * FramesPerBuffer; ++frame) {
        quietPeak = std::max(quietPeak, std::abs(int{SampleAt(played, frame, 0)}));
    }
    for (int frame = 2 * FramesPerBuffer; frame < 3 * FramesPerBuffer; ++frame) {
        loudPeak = std::max(loudPeak, std::abs(int{SampleAt(played, frame, 0)}));
    }
    // 440 Hz sampled at 8000 Hz comes within 1 % of its peak in every buffer.
    EXPECT_NEAR(quietPeak, 3277, 40);
    EXPECT_NEAR(loudPeak, 32767, 400);
}

}  // namespace
}  // namespace tonquelle::testing
