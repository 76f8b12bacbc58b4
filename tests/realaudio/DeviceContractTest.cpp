// What the engine relies on from a device, checked on both real device layers: done
// notifications one per buffer in write order, a reset that returns every queued buffer before
// it returns, a close refused while buffers are queued, and no notification after close.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <ostream>
#include <thread>
#include <vector>

#include "audio/PortAudioWaveOut.h"
#include "audio/PulseWaveOut.h"
#include "tests/realaudio/TestServer.h"

namespace tonquelle::test {
namespace {

using namespace std::chrono_literals;

// Records the done notifications and who sent them.
class RecordingSink final : public WaveDoneSink {
  public:
    void BufferDone(WaveHeader* header) override {
        const std::lock_guard lock(mutex_);
        done_.push_back(header);
        flagsAtDone_.push_back(header->Flags);
        changed_.notify_all();
    }
    std::vector<WaveHeader*> Done() {
        const std::lock_guard lock(mutex_);
        return done_;
    }
    std::vector<std::uint32_t> FlagsAtDone() {
        const std::lock_guard lock(mutex_);
        return flagsAtDone_;
    }
    bool WaitFor(std::size_t count, std::chrono::milliseconds timeout) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, timeout, [&] { return done_.size() >= count; });
    }

  private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<WaveHeader*> done_;
    std::vector<std::uint32_t> flagsAtDone_;
};

// Buffers of 16-bit stereo at 44100 Hz holding a quiet square wave.
struct Buffers {
    Buffers(std::size_t count, std::uint32_t milliseconds) : blocks(count), headers(count) {
        const std::uint32_t bytes = 44100 * milliseconds / 1000 * 4;
        for (std::size_t i = 0; i < count; ++i) {
            blocks[i].assign(bytes, 0);
            for (std::uint32_t n = 0; n < bytes; n += 2) {
                blocks[i][n + 1] = (n / 400) % 2 == 0 ? 0x08 : 0xF8;
            }
            headers[i].Data = blocks[i].data();
            headers[i].BufferLength = bytes;
        }
    }
    std::vector<WaveHeader*> Addresses() {
        std::vector<WaveHeader*> addresses;
        for (WaveHeader& header : headers) {
            addresses.push_back(&header);
        }
        return addresses;
    }
    std::vector<std::vector<std::uint8_t>> blocks;
    std::vector<WaveHeader> headers;
};

enum class Layer { Pulse, PortAudio };

void PrintTo(Layer layer, std::ostream* out) {
    *out << (layer == Layer::Pulse ? "PulseAudio" : "PortAudio");
}

class DeviceContract : public ::testing::TestWithParam<Layer> {
  protected:
    void SetUp() override {
        std::string why;
        ASSERT_TRUE(UsePrivateServer(why)) << why;
        driver_ = GetParam() == Layer::Pulse ? CreatePulseWaveOutDriver()
                                             : CreatePortAudioWaveOutDriver();
        ASSERT_NE(driver_, nullptr);
        WaveFormat format = WaveFormatOf({-1, 44100, 16, 100, 0x3, 2});
        ASSERT_EQ(driver_->Open(device_, -1, format, sink_), WaveOk);
        ASSERT_NE(device_, nullptr);
    }
    void TearDown() override {
        if (device_ != nullptr) {
            device_->Reset();
            device_->Close();
        }
    }
    void PrepareAll(Buffers& buffers) {
        for (WaveHeader& header : buffers.headers) {
            ASSERT_EQ(device_->Prepare(header), WaveOk);
        }
    }
    void WriteAll(Buffers& buffers) {
        for (WaveHeader& header : buffers.headers) {
            ASSERT_EQ(device_->Write(header), WaveOk);
        }
    }

    RecordingSink sink_;
    std::unique_ptr<WaveOutDriver> driver_;
    std::unique_ptr<WaveOut> device_;
};

TEST_P(DeviceContract, PlayedBuffersComeBackOnceEachInWriteOrder) {
    Buffers buffers(4, 50);
    PrepareAll(buffers);
    const auto start = std::chrono::steady_clock::now();
    WriteAll(buffers);
    ASSERT_TRUE(sink_.WaitFor(4, 3s));
    // 200 ms of sound cannot all have been taken before the device played some of it: the
    // server or the card holds at most about one buffer ahead.
    EXPECT_GE(std::chrono::steady_clock::now() - start, 80ms);
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(sink_.Done(), buffers.Addresses());
    for (const std::uint32_t flags : sink_.FlagsAtDone()) {
        EXPECT_EQ(flags, WaveHeaderPrepared | WaveHeaderDone);
    }
    // A returned buffer can be written again.
    ASSERT_EQ(device_->Write(buffers.headers[0]), WaveOk);
    ASSERT_TRUE(sink_.WaitFor(5, 3s));
    EXPECT_EQ(sink_.Done().back(), &buffers.headers[0]);
}

TEST_P(DeviceContract, ResetReturnsEveryQueuedBufferInOrderBeforeItReturns) {
    Buffers buffers(3, 500);
    PrepareAll(buffers);
    WriteAll(buffers);
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(device_->Unprepare(buffers.headers[2]), WaveStillPlaying);
    EXPECT_EQ(device_->Close(), WaveStillPlaying);
    ASSERT_EQ(device_->Reset(), WaveOk);
    EXPECT_EQ(sink_.Done(), buffers.Addresses());
    for (WaveHeader& header : buffers.headers) {
        EXPECT_EQ(header.Flags, WaveHeaderPrepared | WaveHeaderDone);
        EXPECT_EQ(device_->Unprepare(header), WaveOk);
        EXPECT_EQ(header.Flags, WaveHeaderDone);
    }
    // The device stays usable after a reset.
    Buffers again(1, 50);
    PrepareAll(again);
    WriteAll(again);
    ASSERT_TRUE(sink_.WaitFor(4, 3s));
    EXPECT_EQ(sink_.Done().back(), &again.headers[0]);
}

TEST_P(DeviceContract, NothingIsNotifiedAfterClose) {
    Buffers buffers(2, 300);
    PrepareAll(buffers);
    WriteAll(buffers);
    ASSERT_EQ(device_->Reset(), WaveOk);
    ASSERT_EQ(device_->Close(), WaveOk);
    const std::size_t notified = sink_.Done().size();
    EXPECT_EQ(notified, 2u);
    std::this_thread::sleep_for(400ms);
    EXPECT_EQ(sink_.Done().size(), notified);
    device_.reset();
}

TEST_P(DeviceContract, HeaderRulesOfPrepareUnprepareAndWrite) {
    Buffers buffers(2, 500);
    WaveHeader& header = buffers.headers[1];
    EXPECT_EQ(device_->Unprepare(header), WaveOk);  // never prepared: nothing to undo
    EXPECT_EQ(header.Flags, 0u);
    EXPECT_EQ(device_->Write(header), WaveUnprepared);
    PrepareAll(buffers);
    EXPECT_EQ(header.Flags, WaveHeaderPrepared);
    WaveHeader halfFrame{buffers.blocks[0].data(), 6, WaveHeaderPrepared};
    EXPECT_EQ(device_->Write(halfFrame), WaveError);  // 1.5 frames would shift the channels
    EXPECT_EQ(halfFrame.Flags, WaveHeaderPrepared);
    WriteAll(buffers);
    // The second buffer waits behind the first for at least 400 ms.
    EXPECT_EQ(header.Flags, WaveHeaderPrepared | WaveHeaderInQueue);
    EXPECT_EQ(device_->Write(header), WaveStillPlaying);
    ASSERT_TRUE(sink_.WaitFor(2, 3s));
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(sink_.Done(), buffers.Addresses());
}

INSTANTIATE_TEST_SUITE_P(Layers, DeviceContract, ::testing::Values(Layer::Pulse, Layer::PortAudio),
                         [](const auto& info) {
                             return info.param == Layer::Pulse ? "Pulse" : "PortAudio";
                         });

}  // namespace
}  // namespace tonquelle::test
