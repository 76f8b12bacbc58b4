// The PortAudio device through ALSA's pulse plug-in on the private server: the engine's tones
// must arrive at the default sink with their frequency and level.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "audio/PortAudioWaveOut.h"
#include "tests/realaudio/EnginePlayer.h"
#include "tests/realaudio/TestServer.h"

namespace tonquelle::test {
namespace {

using namespace std::chrono_literals;

class PortAudioDevice : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string why;
        ASSERT_TRUE(UsePrivateServer(why)) << why;
        driver_ = CreatePortAudioWaveOutDriver();
        ASSERT_NE(driver_, nullptr);
    }
    std::unique_ptr<WaveOutDriver> driver_;
};

const Monitor StereoMonitor{StereoSink, StereoMap, 2};

TEST_F(PortAudioDevice, ListsTheDefaultOutputFirstThenNumbersTheOutputDevices) {
    const std::vector<WaveOutDeviceInfo> devices = driver_->ListDevices();
    ASSERT_GE(devices.size(), 2u);
    EXPECT_EQ(devices[0].Id, -1);
    EXPECT_TRUE(devices[0].Name.starts_with("Standardgerät (")) << devices[0].Name;
    EXPECT_TRUE(devices[0].Name.ends_with(")")) << devices[0].Name;
    for (std::size_t i = 1; i < devices.size(); ++i) {
        EXPECT_EQ(devices[i].Id, static_cast<std::int32_t>(i - 1));
        EXPECT_FALSE(devices[i].Name.empty());
    }
}

TEST_F(PortAudioDevice, StereoToneReachesTheDefaultSink) {
    const Playback played = PlayAndRecord(*driver_, {-1, 44100, 16, 100, 0x3, 2},
                                          {{440.0, 0.5}, {660.0, 0.25}}, StereoMonitor);
    ASSERT_TRUE(played.Started);
    EXPECT_TRUE(played.Stopped);
    ExpectSpeakers(played.Recorded, {{440.0, 0.5}, {660.0, 0.25}});
}

TEST_F(PortAudioDevice, ThirtyTwoBitSamplesAtAnotherRateKeepPitchAndLevel) {
    const Playback played = PlayAndRecord(*driver_, {-1, 48000, 32, 250, 0x3, 2},
                                          {{1000.0, 0.3}, {300.0, 0.7}}, StereoMonitor);
    ASSERT_TRUE(played.Started);
    ExpectSpeakers(played.Recorded, {{1000.0, 0.3}, {300.0, 0.7}});
}

struct CountingSink final : WaveDoneSink {
    void BufferDone(WaveHeader*) override { done.fetch_add(1); }
    std::atomic<int> done{0};
};

TEST_F(PortAudioDevice, AnEmptyQueuePlaysSilenceAndCountsUnderruns) {
    CountingSink sink;
    std::unique_ptr<WaveOut> device;
    ASSERT_EQ(driver_->Open(device, -1, WaveFormatOf({-1, 44100, 16, 50, 0x3, 2}), sink), WaveOk);
    std::vector<std::uint8_t> block(44100 / 20 * 4, 0);
    WaveHeader header{block.data(), static_cast<std::uint32_t>(block.size()), 0};
    ASSERT_EQ(device->Prepare(header), WaveOk);
    ASSERT_EQ(device->Write(header), WaveOk);
    EXPECT_EQ(PortAudioUnderruns(*device), 0u);
    std::this_thread::sleep_for(600ms);  // 50 ms of sound, then nothing to play
    EXPECT_EQ(sink.done.load(), 1);
    EXPECT_GT(PortAudioUnderruns(*device), 0u);
    EXPECT_EQ(device->Reset(), WaveOk);
    EXPECT_EQ(device->Close(), WaveOk);
    EXPECT_EQ(sink.done.load(), 1);
}

}  // namespace
}  // namespace tonquelle::test
