#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "audio/StreamEngine.h"
#include "audio/StreamEngineState.h"
#include "audio/VirtualWaveOut.h"
#include "tests/audio/EngineTestSupport.h"

namespace tonquelle {
namespace {

using testing::Configure;
using testing::FramesPerBuffer;
using testing::PublishAudible;

// Nothing of a run is left: no device, no thread, no buffers, not running.
void ExpectNothingOpen(const OutputStream& stream, const VirtualWaveOutDriver& driver) {
    EXPECT_FALSE(IsRunning(stream));
    EXPECT_EQ(stream.Engine, nullptr);
    EXPECT_FALSE(driver.DeviceOpen());
    EXPECT_EQ(driver.PreparedHeaders(), 0);
}

using reference::Table;

// Starts, plays `buffers` buffers, stops, and expects exactly the reference bytes from frame 0.
void ExpectFreshRun(OutputStream& stream, VirtualWaveOutDriver& driver,
                    const std::vector<reference::Channel>& channels, std::int32_t buffers) {
    driver.ClearPlayedBytes();
    ASSERT_TRUE(StartOutput(stream));
    EXPECT_TRUE(IsRunning(stream));
    ASSERT_EQ(driver.PlayBuffers(buffers), buffers);
    ASSERT_TRUE(StopOutput(stream));
    const OutputConfig& config = stream.Config;
    EXPECT_EQ(driver.PlayedBytes(),
              reference::Render(channels, 0, buffers * FramesPerBuffer(stream), config.SampleRate,
                                config.Resolution));
}

TEST(StreamEngine, PlaysTheReferenceBytesInOrder) {
    for (std::int32_t resolution : {8, 16, 24, 32}) {
        SCOPED_TRACE(resolution);
        VirtualWaveOutDriver driver;
        OutputStream stream;
        Configure(stream, driver, 3, resolution);
        ExpectFreshRun(stream, driver, PublishAudible(stream), 7);
        ExpectNothingOpen(stream, driver);
    }
}

TEST(StreamEngine, OpensTheDeviceWithTheConfiguredFormat) {
    VirtualWaveOutDriver driver;
    OutputStream stream;
    stream.Driver = &driver;
    stream.Config = {0, 44100, 16, 50, 0x3, 2};
    ASSERT_TRUE(StartOutput(stream));
    EXPECT_EQ(stream.BufferFrames, 2205);
    EXPECT_EQ(stream.BufferBytes, 8820);
    ASSERT_TRUE(driver.LastFormat().has_value());
    const WaveFormat format = *driver.LastFormat();
    EXPECT_EQ(format.FormatTag, 0xFFFE);
    EXPECT_EQ(format.Channels, 2);
    EXPECT_EQ(format.SamplesPerSec, 44100u);
    EXPECT_EQ(format.BlockAlign, 4);
    EXPECT_EQ(format.AvgBytesPerSec, 176400u);
    EXPECT_EQ(format.BitsPerSample, 16);
    EXPECT_EQ(format.ValidBitsPerSample, 16);
    EXPECT_EQ(format.ExtraSize, 22);
    EXPECT_EQ(format.ChannelMask, 0x3u);
    EXPECT_EQ(driver.LastDeviceId(), 0);
    ASSERT_EQ(driver.PlayBuffers(1), 1);
    EXPECT_EQ(driver.PlayedByteCount(), 8820u);
    EXPECT_TRUE(StopOutput(stream));
}

TEST(StreamEngine, TruncatesAFractionalBufferAndKeepsTheTimeBase) {
    VirtualWaveOutDriver driver;
    OutputStream stream;
    Configure(stream, driver, 1);
    stream.Config.SampleRate = 11025;
    stream.Config.BufferLength = 50;  // 551.25 frames
    const auto channels = PublishAudible(stream);
    ASSERT_TRUE(StartOutput(stream));
    EXPECT_EQ(stream.BufferFrames, 551);
    ASSERT_EQ(driver.PlayBuffers(4), 4);
    ASSERT_TRUE(StopOutput(stream));
    // Four buffers are frames 0..2203 without a gap or a repeated frame.
    EXPECT_EQ(driver.PlayedBytes(), reference::Render(channels, 0, 4 * 551, 11025, 16));
}

TEST(StreamEngine, StopsWhileBuffersAreQueuedAndNeverRequeuesReturnedOnes) {
    VirtualWaveOutDriver driver;
    OutputStream stream;
    Configure(stream, driver);
    PublishAudible(stream);
    ASSERT_TRUE(StartOutput(stream));
    ASSERT_EQ(driver.PlayBuffers(3), 3);
    // The stream thread refills the third buffer asynchronously; wait until both are queued.
    for (int i = 0; i < 500 && driver.QueuedBuffers() < 2; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_EQ(driver.QueuedBuffers(), 2u);
    const std::int32_t writes = driver.CallCount(VirtualCall::Write);
    EXPECT_EQ(writes, 5);  // two at the start, one per played buffer

    ASSERT_TRUE(StopOutput(stream));
    EXPECT_EQ(driver.ResetReturnedCount(), 2);
    EXPECT_EQ(driver.CallCount(VirtualCall::Write), writes);
    EXPECT_EQ(driver.PlayedBufferCount(), 3);
    EXPECT_EQ(driver.CallCount(VirtualCall::Unprepare), 2);
    EXPECT_EQ(driver.CallCount(VirtualCall::Close), 1);
    ExpectNothingOpen(stream, driver);
}

TEST(StreamEngine, StartWhileRunningFailsAndLeavesTheStreamPlaying) {
    VirtualWaveOutDriver driver;
    OutputStream stream;
    Configure(stream, driver);
    const auto channels = PublishAudible(stream);
    ASSERT_TRUE(StartOutput(stream));
    ASSERT_EQ(driver.PlayBuffers(2), 2);
    const StreamEngineState* engine = stream.Engine.get();

    EXPECT_FALSE(StartOutput(stream));
    EXPECT_TRUE(IsRunning(stream));
    EXPECT_EQ(stream.Engine.get(), engine);
    EXPECT_EQ(driver.CallCount(VirtualCall::Open), 1);
    // The time base was not reset: playing goes on where it was.
    ASSERT_EQ(driver.PlayBuffers(2), 2);
    ASSERT_TRUE(StopOutput(stream));
    EXPECT_EQ(driver.PlayedBytes(), reference::Render(channels, 0, 4 * 80, 8000, 16));
}

TEST(StreamEngine, StopOnANeverStartedStreamSucceeds) {
    VirtualWaveOutDriver driver;
    OutputStream stream;
    Configure(stream, driver);
    EXPECT_TRUE(StopOutput(stream));
    EXPECT_TRUE(StopOutput(stream));
    ExpectNothingOpen(stream, driver);
    EXPECT_EQ(driver.CallCount(VirtualCall::Close), 0);
}

TEST(StreamEngine, FailedStartAtOpenOrPrepareLeavesNothingOpenAndANewStartWorks) {
    for (VirtualCall call : {VirtualCall::Open, VirtualCall::Prepare}) {
        SCOPED_TRACE(static_cast<int>(call));
        VirtualWaveOutDriver driver;
        OutputStream stream;
        Configure(stream, driver);
        const auto channels = PublishAudible(stream);
        driver.SetFailure(call);
        EXPECT_FALSE(StartOutput(stream));
        ExpectNothingOpen(stream, driver);

        driver.SetFailure(call, WaveOk);
        ExpectFreshRun(stream, driver, channels, 2);
    }
}

TEST(StreamEngine, RefusesWhatNoDeviceCanPlay) {
    VirtualWaveOutDriver driver;
    OutputStream stream;
    Configure(stream, driver);
    stream.Config.OutputDevice = 7;  // not in the device list
    EXPECT_FALSE(StartOutput(stream));
    ExpectNothingOpen(stream, driver);

    Configure(stream, driver);
    stream.Config.BufferLength = 0;  // zero-sized buffers
    EXPECT_FALSE(StartOutput(stream));
    ExpectNothingOpen(stream, driver);

    Configure(stream, driver);
    stream.Config.Resolution = 12;
    EXPECT_FALSE(StartOutput(stream));
    ExpectNothingOpen(stream, driver);

    Configure(stream, driver);
    stream.Config.ChannelCount = 9;
    EXPECT_FALSE(StartOutput(stream));
    ExpectNothingOpen(stream, driver);

    Configure(stream, driver);
    stream.Driver = nullptr;
    EXPECT_FALSE(StartOutput(stream));
    EXPECT_EQ(stream.Engine, nullptr);

    Configure(stream, driver);
    EXPECT_TRUE(StartOutput(stream));
    EXPECT_TRUE(StopOutput(stream));
}

TEST(StreamEngine, FailingStopKeepsTheRestAndASecondStopFinishes) {
    for (VirtualCall call : {VirtualCall::Reset, VirtualCall::Unprepare, VirtualCall::Close}) {
        SCOPED_TRACE(static_cast<int>(call));
        VirtualWaveOutDriver driver;
        OutputStream stream;
        Configure(stream, driver);
        PublishAudible(stream);
        ASSERT_TRUE(StartOutput(stream));
        ASSERT_EQ(driver.PlayBuffers(1), 1);
        driver.SetFailure(call);
        // A failed reset leaves the buffers queued, so unpreparing them fails.
        EXPECT_FALSE(StopOutput(stream));
        EXPECT_TRUE(IsRunning(stream));
        EXPECT_TRUE(driver.DeviceOpen());
        ASSERT_NE(stream.Engine, nullptr);
        EXPECT_TRUE(stream.Engine->Thread.joinable());

        driver.SetFailure(call, WaveOk);
        EXPECT_TRUE(StopOutput(stream));
        ExpectNothingOpen(stream, driver);
        EXPECT_TRUE(StartOutput(stream));
        EXPECT_TRUE(StopOutput(stream));
    }
}

TEST(StreamEngine, AFailedWriteDoesNotStopTheEngine) {
    VirtualWaveOutDriver driver;
    OutputStream stream;
    Configure(stream, driver);
    driver.SetFailure(VirtualCall::Write);
    ASSERT_TRUE(StartOutput(stream));
    EXPECT_EQ(driver.PlayBuffers(1, std::chrono::milliseconds(50)), 0);
    EXPECT_TRUE(StopOutput(stream));
    ExpectNothingOpen(stream, driver);
}

TEST(StreamEngine, StartAfterAStartWhoseCleanUpFailedReleasesTheLeftoversFirst) {
    VirtualWaveOutDriver driver;
    OutputStream stream;
    Configure(stream, driver);
    driver.SetFailure(VirtualCall::Prepare);
    driver.SetFailure(VirtualCall::Close);
    EXPECT_FALSE(StartOutput(stream));
    EXPECT_FALSE(IsRunning(stream));
    EXPECT_TRUE(driver.DeviceOpen());  // the clean-up could not close it

    driver.SetFailure(VirtualCall::Prepare, WaveOk);
    EXPECT_FALSE(StartOutput(stream));  // the leftovers still cannot be closed
    driver.SetFailure(VirtualCall::Close, WaveOk);
    ASSERT_TRUE(StartOutput(stream));
    ASSERT_EQ(driver.PlayBuffers(1), 1);
    EXPECT_TRUE(StopOutput(stream));
    ExpectNothingOpen(stream, driver);
}

TEST(StreamEngine, ANewStartBeginsAtFrameZeroWithoutUserWaveforms) {
    VirtualWaveOutDriver driver;
    OutputStream stream;
    Configure(stream, driver, 1);
    auto channels = PublishAudible(stream);
    ASSERT_TRUE(StartOutput(stream));
    {
        std::lock_guard lock(stream.SettingsLock);
        stream.Channels[0].PendingWaveforms[WaveformSlotCarrier] = Table({1.0, -1.0});
        stream.Channels[0].PendingWaveforms[WaveformSlotAM] = Table({0.5});
    }
    ASSERT_EQ(driver.PlayBuffers(5), 5);
    ASSERT_TRUE(StopOutput(stream));
    for (const ChannelState& channel : stream.Channels) {
        for (std::int32_t s = 0; s < WaveformSlotCount; ++s) {
            EXPECT_TRUE(channel.PendingWaveforms[s].Empty());
            EXPECT_EQ(channel.PendingWaveforms[s].Points, nullptr);
            EXPECT_TRUE(channel.LiveWaveforms[s].Empty());
            EXPECT_EQ(channel.LiveWaveforms[s].Points, nullptr);
        }
    }

    // A table loaded while stopped does not reach the next run either.
    stream.Channels[0].PendingWaveforms[WaveformSlotCarrier] = Table({0.25});
    stream.Channels[0].EditSettings.Waveform = WaveformIndex::User;
    PublishChannel(stream, 0);
    channels[0].Settings.Waveform = WaveformIndex::User;  // no table: silent
    ExpectFreshRun(stream, driver, channels, 2);
    EXPECT_EQ(driver.PlayedBytes(), std::vector<std::uint8_t>(2 * 80 * 2, 0));
}

TEST(StreamEngine, ThousandStartStopCyclesLeaveNothingBehind) {
    VirtualWaveOutDriver driver;
    OutputStream stream;
    Configure(stream, driver);
    PublishAudible(stream);
    for (int cycle = 0; cycle < 1000; ++cycle) {
        ASSERT_TRUE(StartOutput(stream)) << cycle;
        if (cycle % 10 == 0) {
            ASSERT_EQ(driver.PlayBuffers(1), 1);
        }
        ASSERT_TRUE(StopOutput(stream)) << cycle;
    }
    ExpectNothingOpen(stream, driver);
    EXPECT_EQ(driver.CallCount(VirtualCall::Open), 1000);
    EXPECT_EQ(driver.CallCount(VirtualCall::Close), 1000);
    EXPECT_EQ(driver.PlayedBufferCount(), 100);
}

TEST(StreamEngine, PlaysInRealTimeWithoutATestDrivingIt) {
    VirtualWaveOutDriver driver(VirtualClock::RealTime);
    OutputStream stream;
    Configure(stream, driver);
    const auto channels = PublishAudible(stream);
    ASSERT_TRUE(StartOutput(stream));
    // 10 ms buffers: a few must have played after a while.
    for (int i = 0; i < 2000 && driver.PlayedBufferCount() < 5; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_TRUE(StopOutput(stream));
    const auto played = driver.PlayedBytes();
    ASSERT_GE(played.size(), 5u * 320);
    const auto frames = static_cast<std::int32_t>(played.size() / 4);
    EXPECT_EQ(played, reference::Render(channels, 0, frames, 8000, 16));
    ExpectNothingOpen(stream, driver);
}

TEST(StreamEngine, SlowDeviceCallsOnlyDelay) {
    VirtualWaveOutDriver driver;
    OutputStream stream;
    Configure(stream, driver);
    const auto channels = PublishAudible(stream);
    for (VirtualCall call : {VirtualCall::Open, VirtualCall::Prepare, VirtualCall::Write,
                             VirtualCall::Reset, VirtualCall::Unprepare, VirtualCall::Close}) {
        driver.SetDelay(call, std::chrono::milliseconds(5));
    }
    ExpectFreshRun(stream, driver, channels, 3);
}

TEST(StreamEngine, DestroyingAStreamThatCouldNotStopEndsItsThread) {
    VirtualWaveOutDriver driver;
    {
        OutputStream stream;
        Configure(stream, driver);
        ASSERT_TRUE(StartOutput(stream));
        driver.SetFailure(VirtualCall::Close);
        EXPECT_FALSE(StopOutput(stream));
        driver.SetFailure(VirtualCall::Close, WaveOk);
        driver.SetFailure(VirtualCall::Unprepare);
    }  // the destructor cannot stop it either, and must still end the thread
    EXPECT_FALSE(driver.DeviceOpen());
}

}  // namespace
}  // namespace tonquelle
