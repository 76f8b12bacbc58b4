// The PulseAudio device on a private server with null sinks: what the engine plays is recorded
// from the sinks' monitors, and each channel must sound on the speaker of its mask bit only.
#include <gtest/gtest.h>

#include "audio/PulseWaveOut.h"
#include "audio/StreamEngine.h"
#include "tests/realaudio/EnginePlayer.h"
#include "tests/realaudio/TestServer.h"

namespace tonquelle::test {
namespace {

class PulseDevice : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string why;
        ASSERT_TRUE(UsePrivateServer(why)) << why;
        driver_ = CreatePulseWaveOutDriver();
        ASSERT_NE(driver_, nullptr) << "the private server does not answer";
    }

    std::int32_t SurroundId() const {
        for (const WaveOutDeviceInfo& device : driver_->ListDevices()) {
            if (device.Id >= 0 && device.Name == SurroundDescription) {
                return device.Id;
            }
        }
        ADD_FAILURE() << "no " << SurroundDescription << " in the device list";
        return -2;
    }

    static OutputConfig Config(std::int32_t device, std::int32_t rate, std::int32_t resolution,
                               std::int32_t mask, std::int32_t count) {
        return {device, rate, resolution, 100, mask, count};
    }

    std::unique_ptr<WaveOutDriver> driver_;
};

const Monitor StereoMonitor{StereoSink, StereoMap, 2};
const Monitor SurroundMonitor{SurroundSink, SurroundMap, 8};
constexpr Tone Silent{};

TEST_F(PulseDevice, ListsTheDefaultSinkFirstThenTheServersSinksInOrder) {
    const std::vector<WaveOutDeviceInfo> expected = {
        {-1, "Standardgerät (TestStereo)"}, {0, "TestStereo"}, {1, "TestSurround"}};
    EXPECT_EQ(driver_->ListDevices(), expected);
}

TEST_F(PulseDevice, StereoOnTheDefaultSinkKeepsLeftAndRightApart) {
    const Playback played = PlayAndRecord(*driver_, Config(-1, 44100, 16, 0x3, 2),
                                          {{440.0, 0.5}, {660.0, 0.25}}, StereoMonitor);
    ASSERT_TRUE(played.Started);
    EXPECT_TRUE(played.Stopped);
    ExpectSpeakers(played.Recorded, {{440.0, 0.5}, {660.0, 0.25}});
}

TEST_F(PulseDevice, FourChannelsReachTheFrontAndBackPairsOnly) {
    const Playback played =
        PlayAndRecord(*driver_, Config(SurroundId(), 44100, 8, 0x33, 4),
                      {{300.0, 0.5}, {400.0, 0.4}, {500.0, 0.3}, {600.0, 0.2}}, SurroundMonitor);
    ASSERT_TRUE(played.Started);
    // Monitor order: FL FR FC LFE RL RR SL SR.
    ExpectSpeakers(
        played.Recorded,
        {{300.0, 0.5}, {400.0, 0.4}, Silent, Silent, {500.0, 0.3}, {600.0, 0.2}, Silent, Silent});
}

TEST_F(PulseDevice, FrontCenterAndBackLeftSoundOnThoseTwoSpeakersOnly) {
    const Playback played = PlayAndRecord(*driver_, Config(SurroundId(), 44100, 24, 0x14, 2),
                                          {{550.0, 0.5}, {770.0, 0.5}}, SurroundMonitor);
    ASSERT_TRUE(played.Started);
    ExpectSpeakers(played.Recorded,
                   {Silent, Silent, {550.0, 0.5}, Silent, {770.0, 0.5}, Silent, Silent, Silent});
}

TEST_F(PulseDevice, SevenPointOneFillsEverySpeakerInMaskOrder) {
    // Bits 0-5, 9, 10: FL FR FC LFE BL BR SL SR, the monitor's own order.
    const std::vector<Tone> tones = {{200.0, 0.4}, {250.0, 0.4}, {300.0, 0.4}, {350.0, 0.4},
                                     {400.0, 0.4}, {450.0, 0.4}, {500.0, 0.4}, {550.0, 0.4}};
    const Playback played =
        PlayAndRecord(*driver_, Config(SurroundId(), 44100, 32, 0x63F, 8), tones, SurroundMonitor);
    ASSERT_TRUE(played.Started);
    ExpectSpeakers(played.Recorded, tones);
}

TEST_F(PulseDevice, AnotherSampleRateIsResampledWithoutChangingThePitch) {
    const Playback played = PlayAndRecord(*driver_, Config(0, 48000, 16, 0x3, 2),
                                          {{1000.0, 0.3}, {440.0, 0.6}}, StereoMonitor);
    ASSERT_TRUE(played.Started);
    ExpectSpeakers(played.Recorded, {{1000.0, 0.3}, {440.0, 0.6}});
}

struct NoSink final : WaveDoneSink {
    void BufferDone(WaveHeader*) override { ADD_FAILURE() << "no buffer was written"; }
};

TEST_F(PulseDevice, RefusesSpeakersTheSinkLacksAndUnknownDevices) {
    NoSink sink;
    std::unique_ptr<WaveOut> device;
    OutputConfig config = Config(-1, 44100, 16, 0x14, 2);  // the stereo sink has neither
    EXPECT_EQ(driver_->Open(device, -1, WaveFormatOf(config), sink), WaveBadFormat);
    config = Config(0, 44100, 16, 0x100, 1);  // back center: not in the 7.1 layout either
    EXPECT_EQ(driver_->Open(device, SurroundId(), WaveFormatOf(config), sink), WaveBadFormat);
    config = Config(0, 44100, 12, 0x3, 2);
    EXPECT_EQ(driver_->Open(device, 0, WaveFormatOf(config), sink), WaveBadFormat);
    config = Config(0, 44100, 16, 0x3, 2);
    EXPECT_EQ(driver_->Open(device, 2, WaveFormatOf(config), sink), WaveBadDevice);
    EXPECT_EQ(device, nullptr);

    // Through the engine, the start fails instead of playing on other speakers.
    OutputStream stream;
    stream.Config = Config(-1, 44100, 16, 0x14, 2);
    stream.Driver = driver_.get();
    EXPECT_FALSE(StartOutput(stream));
    EXPECT_FALSE(IsRunning(stream));
}

}  // namespace
}  // namespace tonquelle::test
