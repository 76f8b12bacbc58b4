// A device that fails while the generator plays: the engine closes it, reopens the same device
// with the same format and buffers, and goes on with every channel's settings; one that stays
// away is given up. The UI thread's waits for the stream thread are bounded.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "audio/StreamEngine.h"
#include "audio/VirtualWaveOut.h"
#include "tests/render/ReferenceRenderer.h"
#include "tests/support/SameBytes.h"

namespace tonquelle {
namespace {

using testing::SameBytes;
using namespace std::chrono_literals;
using reference::Varied;

// The varied channels (four, 16 bits) at 8000 Hz on a virtual device: 10 ms buffers of 80
// frames, 640 bytes. The stream thread retries every 10 ms.
class DeviceLoss : public ::testing::Test {
  protected:
    void SetUp() override {
        reference::Prepare(stream_, Varied(), 8000, 16, 0);
        stream_.Config.OutputDevice = 0;
        stream_.Driver = &driver_;
        stream_.ReconnectInterval = 10ms;
    }
    VirtualWaveOutDriver driver_;
    OutputStream stream_;
};

// Waits up to two seconds for the stream to reach `health`.
bool WaitForHealth(const OutputStream& stream, StreamHealth health) {
    for (int i = 0; i < 2000 && ReadStreamStatus(stream).Health != health; ++i) {
        std::this_thread::sleep_for(1ms);
    }
    return ReadStreamStatus(stream).Health == health;
}

TEST_F(DeviceLoss, TheSameDeviceIsReopenedAndTheChannelsPlayOnWhereTheyWere) {
    ASSERT_TRUE(StartOutput(stream_));
    ASSERT_EQ(driver_.PlayBuffers(3), 3);
    EXPECT_EQ(ReadStreamStatus(stream_).Health, StreamHealth::Playing);

    driver_.SetFailure(VirtualCall::Open);  // the server is away for a while
    ASSERT_TRUE(driver_.LoseDevice(WaveLossReason::ServerGone));
    ASSERT_TRUE(WaitForHealth(stream_, StreamHealth::Reconnecting));
    EXPECT_EQ(ReadStreamStatus(stream_).LossReason, WaveLossReason::ServerGone);
    EXPECT_TRUE(IsRunning(stream_));  // the panels stay
    std::this_thread::sleep_for(50ms);
    EXPECT_FALSE(driver_.DeviceOpen());
    EXPECT_EQ(driver_.ResetReturnedCount(), 2);  // both queued buffers taken back
    EXPECT_GE(driver_.CallCount(VirtualCall::Open), 3);

    driver_.ClearPlayedBytes();
    driver_.SetFailure(VirtualCall::Open, WaveOk);  // back
    ASSERT_TRUE(WaitForHealth(stream_, StreamHealth::Playing));
    EXPECT_EQ(driver_.LastDeviceId(), 0);
    EXPECT_EQ(driver_.LastFormat(), WaveFormatOf(stream_.Config));
    EXPECT_EQ(driver_.LastBufferBytes(), 80u * 4 * 2);
    ASSERT_EQ(driver_.PlayBuffers(2), 2);
    // Five buffers were rendered before the loss (three played, two taken back): the time base
    // jumps over those two, the settings are those of before.
    EXPECT_TRUE(
        SameBytes(driver_.PlayedBytes(), reference::Render(Varied(), 5 * 80, 2 * 80, 8000, 16)));
    EXPECT_EQ(ReadStreamStatus(stream_).Dropouts, 1u);  // the gap
    ASSERT_TRUE(StopOutput(stream_));
    EXPECT_EQ(ReadStreamStatus(stream_).Health, StreamHealth::Stopped);
}

TEST_F(DeviceLoss, ADeviceThatStaysAwayIsGivenUpAndTheNextStartPlaysAfresh) {
    stream_.ReconnectLimit = 100ms;
    ASSERT_TRUE(StartOutput(stream_));
    ASSERT_EQ(driver_.PlayBuffers(1), 1);
    driver_.SetFailure(VirtualCall::Open);
    const auto lost = std::chrono::steady_clock::now();
    ASSERT_TRUE(driver_.LoseDevice(WaveLossReason::DeviceRemoved));
    ASSERT_TRUE(WaitForHealth(stream_, StreamHealth::Lost));
    EXPECT_GE(std::chrono::steady_clock::now() - lost, 100ms);
    EXPECT_EQ(ReadStreamStatus(stream_).LossReason, WaveLossReason::DeviceRemoved);
    const std::int32_t attempts = driver_.CallCount(VirtualCall::Open);
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(driver_.CallCount(VirtualCall::Open), attempts);  // no more attempts once lost

    ASSERT_TRUE(StopOutput(stream_));
    EXPECT_FALSE(IsRunning(stream_));
    EXPECT_EQ(stream_.Engine, nullptr);
    driver_.SetFailure(VirtualCall::Open, WaveOk);
    driver_.ClearPlayedBytes();
    ASSERT_TRUE(StartOutput(stream_));
    ASSERT_EQ(driver_.PlayBuffers(2), 2);
    EXPECT_TRUE(SameBytes(driver_.PlayedBytes(), reference::Render(Varied(), 0, 2 * 80, 8000, 16)));
    EXPECT_EQ(ReadStreamStatus(stream_).Dropouts, 0u);
    ASSERT_TRUE(StopOutput(stream_));
}

// A stop while the stream thread is between attempts; a loss reported by a device after a stop
// began changes nothing.
TEST_F(DeviceLoss, StoppingWhileReconnectingReleasesEverything) {
    ASSERT_TRUE(StartOutput(stream_));
    driver_.SetFailure(VirtualCall::Open);
    ASSERT_TRUE(driver_.LoseDevice(WaveLossReason::StreamFailed));
    ASSERT_TRUE(WaitForHealth(stream_, StreamHealth::Reconnecting));
    const auto stopping = std::chrono::steady_clock::now();
    ASSERT_TRUE(StopOutput(stream_));
    EXPECT_LT(std::chrono::steady_clock::now() - stopping, 1s);
    EXPECT_FALSE(driver_.DeviceOpen());
    EXPECT_EQ(driver_.PreparedHeaders(), 0);
    EXPECT_EQ(stream_.Engine, nullptr);
}

// Why the device refuses a start reaches the stream record; the next start clears it.
TEST_F(DeviceLoss, ARefusalReachesTheStreamAndTheNextStartClearsIt) {
    const WaveRefusal missing{.Kind = WaveRefusalKind::MissingSpeakers, .MissingSpeakers = 0x30};
    driver_.SetRefusal(missing);
    driver_.SetFailure(VirtualCall::Open, WaveBadFormat);
    EXPECT_FALSE(StartOutput(stream_));
    EXPECT_EQ(stream_.StartRefusal, missing);
    driver_.SetFailure(VirtualCall::Open, WaveOk);
    ASSERT_TRUE(StartOutput(stream_));
    EXPECT_EQ(stream_.StartRefusal, WaveRefusal{});
    ASSERT_TRUE(StopOutput(stream_));
}

// A stream thread stuck in a slow device call does not hold up the UI thread: the stop gives up
// after ThreadEndTimeout and a later one finishes the job.
TEST_F(DeviceLoss, TheUiThreadWaitsForTheStreamThreadOnlyForABoundedTime) {
    stream_.ThreadEndTimeout = 50ms;
    ASSERT_TRUE(StartOutput(stream_));
    driver_.SetDelay(VirtualCall::Reset, 400ms);
    const auto stopping = std::chrono::steady_clock::now();
    EXPECT_FALSE(StopOutput(stream_));
    EXPECT_LT(std::chrono::steady_clock::now() - stopping, 300ms);
    EXPECT_TRUE(IsRunning(stream_));
    std::this_thread::sleep_for(500ms);
    EXPECT_TRUE(StopOutput(stream_));
    EXPECT_EQ(driver_.CallCount(VirtualCall::Reset), 1);  // the owed reset, not a second one
    EXPECT_FALSE(driver_.DeviceOpen());
}

}  // namespace
}  // namespace tonquelle
