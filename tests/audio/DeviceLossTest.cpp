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
void Configure(OutputStream& stream, VirtualWaveOutDriver& driver) {
    reference::Prepare(stream, Varied(), 8000, 16, 0);
    stream.Config.OutputDevice = 0;
    stream.Driver = &driver;
    stream.ReconnectInterval = 10ms;
}

// Waits up to two seconds for the stream to reach `health`.
bool WaitForHealth(const OutputStream& stream, StreamHealth health) {
    for (int i = 0; i < 2000 && ReadStreamStatus(stream).Health != health; ++i) {
        std::this_thread::sleep_for(1ms);
    }
    return ReadStreamStatus(stream).Health == health;
}

TEST(DeviceLoss, TheSameDeviceIsReopenedAndTheChannelsPlayOnWhereTheyWere) {
    VirtualWaveOutDriver driver;
    OutputStream stream;
    Configure(stream, driver);
    ASSERT_TRUE(StartOutput(stream));
    ASSERT_EQ(driver.PlayBuffers(3), 3);
    EXPECT_EQ(ReadStreamStatus(stream).Health, StreamHealth::Playing);

    driver.SetFailure(VirtualCall::Open);  // the server is away for a while
    ASSERT_TRUE(driver.LoseDevice(WaveLossReason::ServerGone));
    ASSERT_TRUE(WaitForHealth(stream, StreamHealth::Reconnecting));
    EXPECT_EQ(ReadStreamStatus(stream).LossReason, WaveLossReason::ServerGone);
    EXPECT_TRUE(IsRunning(stream));  // the panels stay
    std::this_thread::sleep_for(50ms);
    EXPECT_FALSE(driver.DeviceOpen());
    EXPECT_EQ(driver.ResetReturnedCount(), 2);  // both queued buffers taken back
    EXPECT_GE(driver.CallCount(VirtualCall::Open), 3);

    driver.ClearPlayedBytes();
    driver.SetFailure(VirtualCall::Open, WaveOk);  // back
    ASSERT_TRUE(WaitForHealth(stream, StreamHealth::Playing));
    EXPECT_EQ(driver.LastDeviceId(), 0);
    EXPECT_EQ(driver.LastFormat(), WaveFormatOf(stream.Config));
    EXPECT_EQ(driver.LastBufferBytes(), 80u * 4 * 2);
    ASSERT_EQ(driver.PlayBuffers(2), 2);
    // Five buffers were rendered before the loss (three played, two taken back): the time base
    // jumps over those two, the settings are those of before.
    EXPECT_TRUE(
        SameBytes(driver.PlayedBytes(), reference::Render(Varied(), 5 * 80, 2 * 80, 8000, 16)));
    EXPECT_EQ(ReadStreamStatus(stream).Dropouts, 1u);  // the gap
    ASSERT_TRUE(StopOutput(stream));
    EXPECT_EQ(ReadStreamStatus(stream).Health, StreamHealth::Stopped);
}

TEST(DeviceLoss, ADeviceThatStaysAwayIsGivenUpAndTheNextStartPlaysAfresh) {
    VirtualWaveOutDriver driver;
    OutputStream stream;
    Configure(stream, driver);
    stream.ReconnectLimit = 100ms;
    ASSERT_TRUE(StartOutput(stream));
    ASSERT_EQ(driver.PlayBuffers(1), 1);
    driver.SetFailure(VirtualCall::Open);
    const auto lost = std::chrono::steady_clock::now();
    ASSERT_TRUE(driver.LoseDevice(WaveLossReason::DeviceRemoved));
    ASSERT_TRUE(WaitForHealth(stream, StreamHealth::Lost));
    EXPECT_GE(std::chrono::steady_clock::now() - lost, 100ms);
    EXPECT_EQ(ReadStreamStatus(stream).LossReason, WaveLossReason::DeviceRemoved);
    const std::int32_t attempts = driver.CallCount(VirtualCall::Open);
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(driver.CallCount(VirtualCall::Open), attempts);  // no more attempts once lost

    ASSERT_TRUE(StopOutput(stream));
    EXPECT_FALSE(IsRunning(stream));
    EXPECT_EQ(stream.Engine, nullptr);
    driver.SetFailure(VirtualCall::Open, WaveOk);
    driver.ClearPlayedBytes();
    ASSERT_TRUE(StartOutput(stream));
    ASSERT_EQ(driver.PlayBuffers(2), 2);
    EXPECT_TRUE(SameBytes(driver.PlayedBytes(), reference::Render(Varied(), 0, 2 * 80, 8000, 16)));
    EXPECT_EQ(ReadStreamStatus(stream).Dropouts, 0u);
    ASSERT_TRUE(StopOutput(stream));
}

// A stop while the stream thread is between attempts; a loss reported by a device after a stop
// began changes nothing.
TEST(DeviceLoss, StoppingWhileReconnectingReleasesEverything) {
    VirtualWaveOutDriver driver;
    OutputStream stream;
    Configure(stream, driver);
    ASSERT_TRUE(StartOutput(stream));
    driver.SetFailure(VirtualCall::Open);
    ASSERT_TRUE(driver.LoseDevice(WaveLossReason::StreamFailed));
    ASSERT_TRUE(WaitForHealth(stream, StreamHealth::Reconnecting));
    const auto stopping = std::chrono::steady_clock::now();
    ASSERT_TRUE(StopOutput(stream));
    EXPECT_LT(std::chrono::steady_clock::now() - stopping, 1s);
    EXPECT_FALSE(driver.DeviceOpen());
    EXPECT_EQ(driver.PreparedHeaders(), 0);
    EXPECT_EQ(stream.Engine, nullptr);
}

// The dropouts the device counts are the stream's, and what the device tells at the start (its
// channel names, or why it refuses) reaches the stream record.
TEST(DeviceLoss, DropoutsChannelNamesAndRefusalsComeFromTheDevice) {
    VirtualWaveOutDriver driver;
    OutputStream stream;
    Configure(stream, driver);
    driver.SetDropouts(3);
    driver.SetChannelNames({"AUX0", "AUX1", "AUX2", "AUX3"});
    ASSERT_TRUE(StartOutput(stream));
    EXPECT_EQ(stream.DeviceChannelNames,
              (std::vector<std::string>{"AUX0", "AUX1", "AUX2", "AUX3"}));
    ASSERT_EQ(driver.PlayBuffers(1), 1);
    for (int i = 0; i < 1000 && ReadStreamStatus(stream).Dropouts != 3; ++i) {
        std::this_thread::sleep_for(1ms);
    }
    EXPECT_EQ(ReadStreamStatus(stream).Dropouts, 3u);
    ASSERT_TRUE(StopOutput(stream));

    const WaveRefusal missing{.Kind = WaveRefusalKind::MissingSpeakers, .MissingSpeakers = 0x30};
    driver.SetRefusal(missing);
    driver.SetFailure(VirtualCall::Open, WaveBadFormat);
    EXPECT_FALSE(StartOutput(stream));
    EXPECT_EQ(stream.StartRefusal, missing);
    driver.SetFailure(VirtualCall::Open, WaveOk);
    ASSERT_TRUE(StartOutput(stream));
    EXPECT_EQ(stream.StartRefusal, WaveRefusal{});
    ASSERT_TRUE(StopOutput(stream));
}

// A stream thread stuck in a slow device call does not hold up the UI thread: the stop gives up
// after ThreadEndTimeout and a later one finishes the job.
TEST(DeviceLoss, TheUiThreadWaitsForTheStreamThreadOnlyForABoundedTime) {
    VirtualWaveOutDriver driver;
    OutputStream stream;
    Configure(stream, driver);
    stream.ThreadEndTimeout = 50ms;
    ASSERT_TRUE(StartOutput(stream));
    driver.SetDelay(VirtualCall::Reset, 400ms);
    const auto stopping = std::chrono::steady_clock::now();
    EXPECT_FALSE(StopOutput(stream));
    EXPECT_LT(std::chrono::steady_clock::now() - stopping, 300ms);
    EXPECT_TRUE(IsRunning(stream));
    std::this_thread::sleep_for(500ms);
    EXPECT_TRUE(StopOutput(stream));
    EXPECT_EQ(driver.CallCount(VirtualCall::Reset), 1);  // the owed reset, not a second one
    EXPECT_FALSE(driver.DeviceOpen());
}

}  // namespace
}  // namespace tonquelle
