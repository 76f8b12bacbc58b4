// The measurements the real-audio tests rely on, checked on signals of known content.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "tests/realaudio/ToneAnalysis.h"

namespace tonquelle::test {
namespace {

Recording TwoChannels(double frequency, double amplitude, std::size_t silentFrames) {
    Recording recording{2, 44100, {}};
    for (std::size_t n = 0; n < silentFrames + 44100; ++n) {
        const double t = n < silentFrames ? 0.0 : static_cast<double>(n - silentFrames) / 44100;
        const double value = amplitude * std::sin(2.0 * std::numbers::pi * frequency * t);
        recording.Samples.push_back(static_cast<std::int16_t>(std::lround(value * 32767.0)));
        recording.Samples.push_back(0);
    }
    return recording;
}

TEST(ToneAnalysis, MeasuresFrequencyLevelAndOnsetOfAQuantisedSine) {
    const Recording recording = TwoChannels(441.3, 0.3, 1000);
    // sin rises past 0.01 full scale at t = asin(0.01 / 0.3) / (2 pi 441.3) = 12.0 us < 1 frame.
    EXPECT_EQ(FirstLoudFrame(recording, 0.01), 1001u);
    const std::vector<double> tone = recording.Channel(0, 1000, 22050);
    EXPECT_NEAR(MeasureFrequency(tone, 44100), 441.3, 0.05);
    EXPECT_NEAR(LevelDb(MeasureRms(tone), 0.3), 0.0, 0.05);
    // Half the amplitude is 6.02 dB down.
    EXPECT_NEAR(LevelDb(MeasureRms(tone), 0.6), -6.02, 0.05);
    EXPECT_EQ(MeasureRms(recording.Channel(1, 1000, 22050)), 0.0);
    EXPECT_EQ(MeasureFrequency(recording.Channel(1, 1000, 22050), 44100), 0.0);
}

TEST(ToneAnalysis, ChannelStopsAtTheEndOfTheRecording) {
    const Recording recording = TwoChannels(100.0, 0.5, 0);
    EXPECT_EQ(recording.Channel(0, 44000, 500).size(), 100u);
}

}  // namespace
}  // namespace tonquelle::test
