#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "audio/StreamEngine.h"
#include "audio/VirtualWaveOut.h"
#include "synth/SoftTransition.h"
#include "tests/render/ReferenceRenderer.h"
#include "tests/settings/TemporaryFolder.h"
#include "tests/support/SameBytes.h"
#include "waveform/WaveformLoader.h"

namespace tonquelle {
namespace {

using reference::Table;
using reference::Varied;
using testing::SameBytes;

// The varied channels on a virtual device, 10 ms buffers, published as the start command does.
void Configure(OutputStream& stream, VirtualWaveOutDriver& driver, std::int32_t resolution = 16,
               std::int32_t rate = 8000) {
    reference::Prepare(stream, Varied(), rate, resolution, 0);
    stream.Driver = &driver;
}

// Nothing of a run is left: no device, no thread, no buffers, not running.
void ExpectNothingOpen(const OutputStream& stream, const VirtualWaveOutDriver& driver) {
    EXPECT_FALSE(IsRunning(stream));
    EXPECT_EQ(stream.Engine, nullptr);
    EXPECT_FALSE(driver.DeviceOpen());
    EXPECT_EQ(driver.PreparedHeaders(), 0);
}

// Starts, plays `buffers` buffers, stops, and expects exactly the reference bytes from frame 0
// (the user shape silent: a start drops every table).
void ExpectFreshRun(OutputStream& stream, VirtualWaveOutDriver& driver, std::int32_t buffers) {
    driver.ClearPlayedBytes();
    ASSERT_TRUE(StartOutput(stream));
    EXPECT_TRUE(IsRunning(stream));
    ASSERT_EQ(driver.PlayBuffers(buffers), buffers);
    ASSERT_TRUE(StopOutput(stream));
    EXPECT_TRUE(SameBytes(driver.PlayedBytes(),
                          reference::Render(Varied(), 0, buffers * stream.BufferFrames,
                                            stream.Config.SampleRate, stream.Config.Resolution)));
    ExpectNothingOpen(stream, driver);
}

// Every resolution plays the reference bytes in order (at 11025 Hz a 10 ms buffer is 110.25
// frames: 110, and the time base runs on without a gap). A failed start leaves nothing open; a
// failed stop keeps the run so that a second stop can finish it. Either way the next start plays
// from frame 0, even with every call slowed down.
TEST(StreamEngine, PlaysTheReferenceAndRecoversFromAFailureAtEachDeviceCall) {
    const VirtualCall calls[] = {VirtualCall::Open, VirtualCall::Prepare, VirtualCall::Reset,
                                 VirtualCall::Unprepare, VirtualCall::Close};
    for (std::int32_t i = 0; i < 5; ++i) {
        const VirtualCall call = calls[i];
        SCOPED_TRACE(i);
        VirtualWaveOutDriver driver;
        OutputStream stream;
        Configure(stream, driver, 8 * (1 + i % 4), 11025);
        ExpectFreshRun(stream, driver, 7);
        EXPECT_EQ(stream.BufferFrames, 110);
        const bool atStart = call == VirtualCall::Open || call == VirtualCall::Prepare;
        if (!atStart) {
            ASSERT_TRUE(StartOutput(stream));
            ASSERT_EQ(driver.PlayBuffers(1), 1);
        }
        driver.SetFailure(call);
        EXPECT_FALSE(atStart ? StartOutput(stream) : StopOutput(stream));
        EXPECT_EQ(IsRunning(stream), !atStart);
        EXPECT_EQ(driver.DeviceOpen(), !atStart);
        driver.SetFailure(call, WaveOk);
        EXPECT_TRUE(StopOutput(stream));  // finishes the failed stop; nothing to do after a start
        ExpectNothingOpen(stream, driver);
        driver.SetDelay(call, std::chrono::milliseconds(5));
        ExpectFreshRun(stream, driver, 2);
    }
}

// A second start while running changes nothing; a stop while buffers are queued returns them
// unplayed, queues nothing more and drops every user table, pending or live, so that the next
// start plays from frame 0 without them.
TEST(StreamEngine, StartWhileRunningStopWhileBuffersAreQueuedAndStartAnew) {
    VirtualWaveOutDriver driver;
    OutputStream stream;
    EXPECT_TRUE(StopOutput(stream));  // never started: succeeds
    Configure(stream, driver);
    ASSERT_TRUE(StartOutput(stream));
    {
        std::lock_guard lock(stream.SettingsLock);  // channel 0 plays a sine: no audible change
        stream.Channels[0].PendingWaveforms[WaveformSlotCarrier] = Table({1.0, -1.0});
        stream.Channels[0].PendingWaveforms[WaveformSlotAM] = Table({0.5});
    }
    ASSERT_EQ(driver.PlayBuffers(2), 2);
    EXPECT_FALSE(StartOutput(stream));
    EXPECT_TRUE(IsRunning(stream));
    ASSERT_EQ(driver.PlayBuffers(1), 1);  // the time base goes on where it was
    // The stream thread refills the third buffer asynchronously; wait until both are queued.
    for (int i = 0; i < 500 && driver.QueuedBuffers() < 2; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ASSERT_EQ(driver.QueuedBuffers(), 2u);
    EXPECT_EQ(driver.CallCount(VirtualCall::Write), 5);  // two at the start, one per played one
    ASSERT_TRUE(StopOutput(stream));
    EXPECT_EQ(driver.ResetReturnedCount(), 2);
    EXPECT_EQ(driver.CallCount(VirtualCall::Write), 5);
    EXPECT_EQ(driver.CallCount(VirtualCall::Open), 1);
    EXPECT_TRUE(SameBytes(driver.PlayedBytes(), reference::Render(Varied(), 0, 3 * 80, 8000, 16)));
    ExpectNothingOpen(stream, driver);
    for (std::int32_t s = 0; s < WaveformSlotCount; ++s)
        EXPECT_TRUE(!stream.Channels[0].PendingWaveforms[s].Points &&
                    !stream.Channels[0].LiveWaveforms[s].Points)
            << s;
    // A table loaded while stopped does not reach the next run either: channel 2's user shape
    // stays silent.
    stream.Channels[2].PendingWaveforms[WaveformSlotCarrier] = Table({0.25});
    ExpectFreshRun(stream, driver, 2);
}

TEST(StreamEngine, ThousandStartStopCyclesLeaveNothingBehind) {
    VirtualWaveOutDriver driver;
    OutputStream stream;
    Configure(stream, driver);
    for (int cycle = 0; cycle < 1000; ++cycle)  // every tenth run plays a buffer
        ASSERT_TRUE(StartOutput(stream) && (cycle % 10 != 0 || driver.PlayBuffers(1) == 1) &&
                    StopOutput(stream))
            << cycle;
    ExpectNothingOpen(stream, driver);
    EXPECT_EQ(driver.CallCount(VirtualCall::Close), 1000);
    EXPECT_EQ(driver.PlayedBufferCount(), 100);
}

// The UI thread publishes settings and loads user waveforms while the stream thread renders
// and the device plays. Channel 2 plays a one-point user table (a constant) at a changing
// amplitude, so a buffer that mixed two hand-overs would hold two different sample values.
// Runs under ThreadSanitizer in the test script.
TEST(StreamEngine, PublishingAndLoadingWhileRenderingNeverTearsABuffer) {
    testing::TemporaryFolder folder;
    for (int i = 0; i < 8; ++i)
        std::ofstream(folder / std::to_string(i)) << (i + 1) / 8.0 << "\r\n";
    VirtualWaveOutDriver driver;
    OutputStream stream;
    Configure(stream, driver);
    ASSERT_TRUE(StartOutput(stream));
    std::atomic<bool> playing = true;
    std::thread device([&] { driver.PlayBuffers(300), playing = false; });
    int edits = 0;
    for (; playing; ++edits) {
        stream.Channels[2].EditSettings.Amplitude = 0.5 + 0.05 * (edits % 10);
        PublishChannel(stream, edits % 2 == 0 ? 2 : -1);
        const auto file = folder / std::to_string(edits % 8);
        EXPECT_TRUE(LoadWaveformFile(stream, 2, WaveformSlotCarrier, file));
        EXPECT_TRUE(LoadWaveformFile(stream, 1, WaveformSlotAM, file));
    }
    device.join();
    ASSERT_TRUE(StopOutput(stream));

    const auto bytes = driver.PlayedBytes();
    ASSERT_EQ(bytes.size(), 300u * 80 * 8);
    // Interpolating a one-point table may be one ulp off, which can move a sample by one code;
    // two hand-overs differ by at least 0.125 * 0.5 of full scale, some 2000 codes.
    const auto sample = [&bytes](std::size_t frame) {
        return reference::CodeAt(&bytes[8 * frame + 4], 2);
    };
    int buffersWithSound = 0;
    for (std::size_t first = 0; first < 300 * 80; first += 80) {
        for (std::size_t frame = first + 1; frame < first + 80; ++frame)
            ASSERT_LE(std::llabs(sample(frame) - sample(first)), 1) << frame;
        buffersWithSound += sample(first) != 0;
    }
    EXPECT_GT(edits, 0);
    EXPECT_GT(buffersWithSound, 0);
}

// With soft transitions on, each run fades in from silence over its first 10 ms (here the whole
// first buffer) and then plays the reference: a second run does not fade from where the first
// one stopped.
TEST(StreamEngine, EachRunFadesInFromSilence) {
    VirtualWaveOutDriver driver;
    OutputStream stream;
    Configure(stream, driver);
    SetSoftTransitions(stream, true);
    const std::size_t bufferBytes = 80 * 4 * 2;  // 80 frames of four 16-bit channels
    const auto expected = reference::Render(Varied(), 0, 3 * 80, 8000, 16);
    for (int run = 0; run < 2; ++run) {
        SCOPED_TRACE(run);
        driver.ClearPlayedBytes();
        ASSERT_TRUE(StartOutput(stream));
        ASSERT_EQ(driver.PlayBuffers(3), 3);
        ASSERT_TRUE(StopOutput(stream));
        const auto played = driver.PlayedBytes();
        ASSERT_EQ(played.size(), 3 * bufferBytes);
        EXPECT_EQ(std::vector(played.begin(), played.begin() + 8), std::vector<std::uint8_t>(8, 0));
        EXPECT_NE(std::vector(played.begin(), played.begin() + bufferBytes),
                  std::vector(expected.begin(), expected.begin() + bufferBytes));
        EXPECT_EQ(std::vector(played.begin() + bufferBytes, played.end()),
                  std::vector(expected.begin() + bufferBytes, expected.end()));
    }
}

// The UI thread flips the switch and retunes channel 0 (a sine at 0.8) while the stream thread
// renders: a crossfade between two signals of that amplitude never leaves it. Runs under
// ThreadSanitizer in the test script.
TEST(StreamEngine, SwitchingSoftTransitionsWhileRenderingIsSafe) {
    VirtualWaveOutDriver driver;
    OutputStream stream;
    Configure(stream, driver);
    ASSERT_TRUE(StartOutput(stream));
    std::atomic<bool> playing = true;
    std::thread device([&] { driver.PlayBuffers(200), playing = false; });
    int flips = 0;
    for (; playing; ++flips) {
        SetSoftTransitions(stream, flips % 2 == 0);
        stream.Channels[0].EditSettings.Frequency = 1000.0 + 10.0 * (flips % 7);
        PublishChannel(stream, 0);
    }
    device.join();
    ASSERT_TRUE(StopOutput(stream));
    const auto bytes = driver.PlayedBytes();
    ASSERT_EQ(bytes.size(), 200u * 80 * 8);
    const std::int64_t limit = static_cast<std::int64_t>(0.8 * 32767) + 1;
    for (std::size_t frame = 0; frame < 200 * 80; ++frame)
        ASSERT_LE(std::llabs(reference::CodeAt(&bytes[8 * frame], 2)), limit) << frame;
    EXPECT_GT(flips, 0);
}

}  // namespace
}  // namespace tonquelle
