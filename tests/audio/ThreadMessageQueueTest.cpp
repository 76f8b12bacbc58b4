#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <latch>
#include <thread>

#include "audio/BoundedJoin.h"
#include "audio/ThreadMessageQueue.h"
#include "audio/WaveOut.h"

namespace tonquelle {
namespace {

TEST(ThreadMessageQueue, DeliversInPostingOrderAndRefusesWhenFull) {
    EXPECT_EQ(MessageQuit, 0x12u);
    EXPECT_EQ(MessageBufferDone, 0x3BDu);
    EXPECT_EQ(MessagePlay, 0x8000u);
    EXPECT_EQ(MessageReset, 0x8001u);

    ThreadMessageQueue queue;
    WaveHeader header;
    for (std::size_t i = 0; i < ThreadMessageQueue::Capacity; ++i) {
        ASSERT_TRUE(queue.Post(static_cast<std::uint32_t>(i), i == 3 ? &header : nullptr));
    }
    EXPECT_FALSE(queue.Post(999));
    EXPECT_EQ(queue.Size(), ThreadMessageQueue::Capacity);
    for (std::size_t i = 0; i < ThreadMessageQueue::Capacity; ++i) {
        const ThreadMessage message = queue.Wait();
        EXPECT_EQ(message.Id, i);
        EXPECT_EQ(message.Header, i == 3 ? &header : nullptr);
    }
    // The ring wraps around.
    EXPECT_TRUE(queue.Post(MessagePlay));
    EXPECT_EQ(queue.Wait().Id, MessagePlay);
    EXPECT_EQ(queue.Size(), 0u);
}

TEST(ThreadMessageQueue, WakesAWaitingThread) {
    ThreadMessageQueue queue;
    auto received = std::async(std::launch::async, [&queue] { return queue.Wait().Id; });
    EXPECT_EQ(received.wait_for(std::chrono::milliseconds(20)), std::future_status::timeout);
    queue.Post(MessageQuit);
    EXPECT_EQ(received.get(), MessageQuit);
}

TEST(BoundedJoin, GivesUpAfterTheLimitAndJoinsOnceTheThreadEnded) {
    std::latch release(1);
    std::promise<void> endedPromise;
    std::future<void> ended = endedPromise.get_future();
    std::thread thread(
        [&release](std::promise<void> done) {
            done.set_value_at_thread_exit();
            release.wait();
        },
        std::move(endedPromise));

    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(JoinWithin(thread, ended, std::chrono::milliseconds(50)));
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(50));
    EXPECT_TRUE(thread.joinable());  // kept, neither detached nor terminated

    release.count_down();
    EXPECT_TRUE(JoinWithin(thread, ended, std::chrono::milliseconds(5000)));
    EXPECT_FALSE(thread.joinable());
    EXPECT_TRUE(JoinWithin(thread, ended, std::chrono::milliseconds(0)));
}

}  // namespace
}  // namespace tonquelle
