#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "audio/DoneNotifier.h"

namespace tonquelle {
namespace {

using namespace std::chrono_literals;

// Records what the notifier tells it, from whichever thread tells it. With `holdFirst` the first
// buffer's notification waits until Release(), so that the notifier thread stands still.
class RecordingSink final : public WaveDoneSink {
  public:
    explicit RecordingSink(bool holdFirst = false) : holding_(holdFirst) {}

    void BufferDone(WaveHeader* header) override {
        std::unique_lock lock(mutex_);
        events_.push_back(header);
        changed_.notify_all();
        changed_.wait(lock, [this] { return !holding_; });
    }
    void DeviceLost(WaveLossReason reason) override {
        const std::lock_guard lock(mutex_);
        losses_.push_back(reason);
        events_.push_back(nullptr);  // a loss among the buffers
        changed_.notify_all();
    }

    // Waits (at most 10 s) until `count` events came; false when they did not.
    bool AwaitEvents(std::size_t count) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, 10s, [&] { return events_.size() >= count; });
    }
    void Release() {
        const std::lock_guard lock(mutex_);
        holding_ = false;
        changed_.notify_all();
    }
    // The buffers told done and the losses (null), in the order they came.
    std::vector<WaveHeader*> Events() const {
        const std::lock_guard lock(mutex_);
        return events_;
    }
    std::vector<WaveLossReason> Losses() const {
        const std::lock_guard lock(mutex_);
        return losses_;
    }

  private:
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    bool holding_;
    std::vector<WaveHeader*> events_;
    std::vector<WaveLossReason> losses_;
};

// `count` headers and the pointers to the first `count` of them, in order.
std::vector<WaveHeader*> Pointers(std::vector<WaveHeader>& headers, std::size_t count) {
    std::vector<WaveHeader*> pointers;
    for (std::size_t i = 0; i < count; ++i) {
        pointers.push_back(&headers[i]);
    }
    return pointers;
}

TEST(DoneNotifier, TellsEachPostedBufferOnceInOrderAndMarksItDone) {
    RecordingSink sink;
    DoneNotifier notifier(sink);
    std::vector<WaveHeader> headers(10, WaveHeader{.Flags = WaveHeaderInQueue});
    for (WaveHeader& header : headers) {
        ASSERT_TRUE(notifier.Post(&header));
    }
    ASSERT_TRUE(sink.AwaitEvents(10));
    notifier.Stop();
    EXPECT_EQ(sink.Events(), Pointers(headers, 10));
    EXPECT_EQ(notifier.Delivered(), 10u);
    for (const WaveHeader& header : headers) {
        EXPECT_EQ(header.Flags, WaveHeaderDone);
    }
}

// While the thread is held in the first notification, Capacity more posts fit and the next is
// refused; once released, all of them come in order.
TEST(DoneNotifier, RefusesAPostBeyondItsCapacity) {
    RecordingSink sink(/*holdFirst=*/true);
    DoneNotifier notifier(sink);
    std::vector<WaveHeader> headers(DoneNotifier::Capacity + 2);
    ASSERT_TRUE(notifier.Post(&headers[0]));
    ASSERT_TRUE(sink.AwaitEvents(1));  // the thread took it and waits in the sink
    for (std::size_t i = 1; i <= DoneNotifier::Capacity; ++i) {
        EXPECT_TRUE(notifier.Post(&headers[i])) << i;
    }
    EXPECT_FALSE(notifier.Post(&headers.back()));
    sink.Release();
    ASSERT_TRUE(sink.AwaitEvents(DoneNotifier::Capacity + 1));
    notifier.Stop();
    EXPECT_EQ(sink.Events(), Pointers(headers, DoneNotifier::Capacity + 1));
}

// Flush tells what was posted, then the buffers it is given, before it returns.
TEST(DoneNotifier, FlushTellsThePostedBuffersThenTheGivenOnes) {
    RecordingSink sink;
    DoneNotifier notifier(sink);
    std::vector<WaveHeader> headers(5);
    for (std::size_t i = 0; i < 3; ++i) {
        ASSERT_TRUE(notifier.Post(&headers[i]));
    }
    const std::array<WaveHeader*, 2> more = {&headers[3], &headers[4]};
    notifier.Flush(more);
    EXPECT_EQ(sink.Events(), Pointers(headers, 5));
    notifier.Stop();
}

// The first loss reported is told once, after the buffers posted before it.
TEST(DoneNotifier, TellsTheFirstLossOnceAfterTheBuffersPostedBefore) {
    RecordingSink sink;
    DoneNotifier notifier(sink);
    std::vector<WaveHeader> headers(2);
    ASSERT_TRUE(notifier.Post(&headers[0]));
    ASSERT_TRUE(notifier.Post(&headers[1]));
    notifier.ReportLost(WaveLossReason::DeviceRemoved);
    notifier.ReportLost(WaveLossReason::ServerGone);
    ASSERT_TRUE(sink.AwaitEvents(3));
    std::this_thread::sleep_for(150ms);  // more than one wake-up period: nothing else comes
    notifier.Stop();
    EXPECT_EQ(sink.Events(), (std::vector<WaveHeader*>{&headers[0], &headers[1], nullptr}));
    EXPECT_EQ(sink.Losses(), std::vector<WaveLossReason>{WaveLossReason::DeviceRemoved});
}

// A producer thread posts as fast as the ring takes (retrying when full) while the notifier
// thread and a flushing thread take turns at the consumer end: every buffer is told once, in
// order.
TEST(DoneNotifier, AProducerAndTwoConsumersTellEveryBufferOnceInOrder) {
    constexpr std::size_t Count = 20000;
    RecordingSink sink;
    DoneNotifier notifier(sink);
    std::vector<WaveHeader> headers(Count);
    std::thread producer([&] {
        for (std::size_t i = 0; i < Count;) {
            if (notifier.Post(&headers[i])) {
                ++i;
            } else {
                std::this_thread::yield();
            }
        }
    });
    std::thread flusher([&] {
        while (notifier.Delivered() < Count) {
            notifier.Flush({});
            std::this_thread::yield();
        }
    });
    producer.join();
    flusher.join();
    notifier.Stop();
    const std::vector<WaveHeader*> events = sink.Events();
    ASSERT_EQ(events.size(), Count);
    std::size_t outOfOrder = 0;
    for (std::size_t i = 0; i < Count; ++i) {
        outOfOrder += events[i] != &headers[i] ? 1 : 0;
    }
    EXPECT_EQ(outOfOrder, 0u);
}

}  // namespace
}  // namespace tonquelle
