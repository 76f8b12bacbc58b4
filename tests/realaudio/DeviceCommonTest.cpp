// The pieces both device layers are built from: the format check, the header rules, the
// lock-free queue and the done notifier. No server needed.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "audio/DeviceRules.h"
#include "audio/DoneNotifier.h"
#include "audio/SpscRing.h"

namespace tonquelle {
namespace {

using namespace std::chrono_literals;

TEST(DeviceFormat, TakesThePcmFormatsTheEngineAnnouncesAndNothingElse) {
    for (const std::int32_t resolution : {8, 16, 24, 32}) {
        EXPECT_TRUE(IsPlainPcmFormat(WaveFormatOf({0, 44100, resolution, 100, 0x63F, 8})))
            << resolution;
    }
    EXPECT_TRUE(IsPlainPcmFormat(WaveFormatOf({0, 192000, 16, 100, 0x20000, 1})));  // bit 17
    EXPECT_FALSE(IsPlainPcmFormat(WaveFormatOf({0, 44100, 12, 100, 0x3, 2})));
    EXPECT_FALSE(IsPlainPcmFormat(WaveFormatOf({0, 44100, 0, 100, 0x3, 2})));
    EXPECT_FALSE(IsPlainPcmFormat(WaveFormatOf({0, 0, 16, 100, 0x3, 2})));
    EXPECT_FALSE(IsPlainPcmFormat(WaveFormatOf({0, 44100, 16, 100, 0x7, 2})));  // 3 speakers
    EXPECT_FALSE(IsPlainPcmFormat(WaveFormatOf({0, 44100, 16, 100, 0x0, 0})));
    EXPECT_FALSE(IsPlainPcmFormat(WaveFormatOf({0, 44100, 16, 100, 0x40001, 2})));  // bit 18

    WaveFormat format = WaveFormatOf({0, 44100, 16, 100, 0x3, 2});
    format.BlockAlign = 2;
    EXPECT_FALSE(IsPlainPcmFormat(format));
    format = WaveFormatOf({0, 44100, 16, 100, 0x3, 2});
    format.AvgBytesPerSec = 88200;
    EXPECT_FALSE(IsPlainPcmFormat(format));
    format = WaveFormatOf({0, 44100, 16, 100, 0x3, 2});
    format.ValidBitsPerSample = 12;
    EXPECT_FALSE(IsPlainPcmFormat(format));
    format = WaveFormatOf({0, 44100, 16, 100, 0x3, 2});
    format.FormatTag = 1;  // plain WAVE_FORMAT_PCM carries no speaker mask
    EXPECT_FALSE(IsPlainPcmFormat(format));
}

TEST(DeviceFormat, SilenceIsTheZeroCodeOfTheResolution) {
    EXPECT_EQ(SilenceByte(WaveFormatOf({0, 44100, 8, 100, 0x3, 2})), 0x80);
    EXPECT_EQ(SilenceByte(WaveFormatOf({0, 44100, 16, 100, 0x3, 2})), 0x00);
    EXPECT_EQ(SilenceByte(WaveFormatOf({0, 44100, 24, 100, 0x3, 2})), 0x00);
}

TEST(DeviceHeaders, PrepareUnprepareAndWriteFollowTheFlags) {
    std::uint8_t data[12] = {};
    WaveHeader header{data, 12, WaveHeaderDone};
    EXPECT_EQ(UnprepareHeader(header), WaveOk);  // never prepared: nothing changes
    EXPECT_EQ(header.Flags, WaveHeaderDone);
    EXPECT_EQ(AcceptForWrite(header, 4), WaveUnprepared);
    EXPECT_EQ(PrepareHeader(header), WaveOk);
    EXPECT_EQ(header.Flags, WaveHeaderDone | WaveHeaderPrepared);
    EXPECT_EQ(AcceptForWrite(header, 8), WaveError);  // 1.5 frames
    EXPECT_EQ(header.Flags, WaveHeaderDone | WaveHeaderPrepared);
    EXPECT_EQ(AcceptForWrite(header, 4), WaveOk);
    EXPECT_EQ(header.Flags, WaveHeaderPrepared | WaveHeaderInQueue);
    EXPECT_EQ(AcceptForWrite(header, 4), WaveStillPlaying);
    EXPECT_EQ(UnprepareHeader(header), WaveStillPlaying);
    EXPECT_EQ(header.Flags, WaveHeaderPrepared | WaveHeaderInQueue);

    WaveHeader empty{data, 0, WaveHeaderPrepared};
    EXPECT_EQ(AcceptForWrite(empty, 4), WaveError);
    WaveHeader noData{nullptr, 12, WaveHeaderPrepared};
    EXPECT_EQ(AcceptForWrite(noData, 4), WaveError);
}

TEST(SpscRing, KeepsOrderRefusesWhenFullAndWrapsAround) {
    SpscRing<int, 4> ring;
    EXPECT_FALSE(ring.Pop().has_value());
    int next = 0;
    int expected = 0;
    for (int round = 0; round < 10; ++round) {  // the indices pass the capacity many times
        for (int i = 0; i < 3; ++i) {
            EXPECT_TRUE(ring.Push(next++));
        }
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(ring.Pop(), expected++);
        }
    }
    for (int i = 0; i < 4; ++i) {
        EXPECT_TRUE(ring.Push(i));
    }
    EXPECT_FALSE(ring.Push(99));
    EXPECT_EQ(ring.Pop(), 0);
    EXPECT_TRUE(ring.Push(4));
    for (int i = 1; i <= 4; ++i) {
        EXPECT_EQ(ring.Pop(), i);
    }
    EXPECT_FALSE(ring.Pop().has_value());
}

TEST(SpscRing, AProducerAndAConsumerThreadPassEveryValueInOrder) {
    SpscRing<int, 8> ring;
    constexpr int Count = 200000;
    std::thread producer([&] {
        for (int i = 0; i < Count;) {
            if (ring.Push(i)) {
                ++i;
            }
        }
    });
    int expected = 0;
    while (expected < Count) {
        if (const auto value = ring.Pop()) {
            ASSERT_EQ(*value, expected);
            ++expected;
        }
    }
    producer.join();
}

class RecordingSink final : public WaveDoneSink {
  public:
    void BufferDone(WaveHeader* header) override {
        const std::lock_guard lock(mutex_);
        done_.push_back(header);
        threads_.push_back(std::this_thread::get_id());
        flags_.push_back(header->Flags);
        changed_.notify_all();
    }
    bool WaitFor(std::size_t count) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, 2s, [&] { return done_.size() >= count; });
    }
    std::vector<WaveHeader*> Done() {
        const std::lock_guard lock(mutex_);
        return done_;
    }
    std::vector<std::thread::id> Threads() {
        const std::lock_guard lock(mutex_);
        return threads_;
    }
    std::vector<std::uint32_t> Flags() {
        const std::lock_guard lock(mutex_);
        return flags_;
    }

  private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<WaveHeader*> done_;
    std::vector<std::thread::id> threads_;
    std::vector<std::uint32_t> flags_;
};

TEST(DoneNotifier, DeliversPostedBuffersInOrderFromItsOwnThread) {
    RecordingSink sink;
    DoneNotifier notifier(sink);
    WaveHeader headers[3] = {{nullptr, 0, WaveHeaderPrepared | WaveHeaderInQueue},
                             {nullptr, 0, WaveHeaderPrepared | WaveHeaderInQueue},
                             {nullptr, 0, WaveHeaderPrepared | WaveHeaderInQueue}};
    for (WaveHeader& header : headers) {
        ASSERT_TRUE(notifier.Post(&header));
    }
    ASSERT_TRUE(sink.WaitFor(3));
    EXPECT_EQ(sink.Done(), (std::vector<WaveHeader*>{&headers[0], &headers[1], &headers[2]}));
    for (const std::thread::id thread : sink.Threads()) {
        EXPECT_NE(thread, std::this_thread::get_id());
    }
    for (const std::uint32_t flags : sink.Flags()) {
        EXPECT_EQ(flags, WaveHeaderPrepared | WaveHeaderDone);
    }
    EXPECT_EQ(notifier.Delivered(), 3u);
}

TEST(DoneNotifier, FlushDeliversWhatWasPostedThenTheRestBeforeItReturns) {
    RecordingSink sink;
    DoneNotifier notifier(sink);
    WaveHeader headers[4] = {};
    for (int round = 0; round < 50; ++round) {  // races the notifier thread for the posted two
        ASSERT_TRUE(notifier.Post(&headers[0]));
        ASSERT_TRUE(notifier.Post(&headers[1]));
        WaveHeader* const rest[] = {&headers[2], &headers[3]};
        notifier.Flush(rest);
        const std::vector<WaveHeader*> done = sink.Done();
        ASSERT_EQ(done.size(), 4u * (round + 1));
        for (std::size_t i = 0; i < 4; ++i) {
            EXPECT_EQ(done[4 * round + i], &headers[i]);
        }
    }
}

TEST(DoneNotifier, StopDeliversWhatWasPostedAndNothingAfterwards) {
    RecordingSink sink;
    WaveHeader headers[2] = {};
    {
        DoneNotifier notifier(sink);
        ASSERT_TRUE(notifier.Post(&headers[0]));
        notifier.Stop();
        EXPECT_EQ(sink.Done().size(), 1u);
        EXPECT_TRUE(notifier.Post(&headers[1]));  // after Stop: queued, never delivered
        std::this_thread::sleep_for(50ms);
    }
    EXPECT_EQ(sink.Done(), (std::vector<WaveHeader*>{&headers[0]}));
}

TEST(DoneNotifier, RefusesMoreThanItsCapacityInFlight) {
    struct BlockedSink final : WaveDoneSink {
        void BufferDone(WaveHeader*) override {}
    } sink;
    DoneNotifier notifier(sink);
    notifier.Stop();  // nothing drains the queue any more
    std::vector<WaveHeader> headers(DoneNotifier::Capacity + 1);
    for (std::size_t i = 0; i < DoneNotifier::Capacity; ++i) {
        EXPECT_TRUE(notifier.Post(&headers[i]));
    }
    EXPECT_FALSE(notifier.Post(&headers.back()));
}

}  // namespace
}  // namespace tonquelle
