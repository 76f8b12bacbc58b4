#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <thread>
#include <vector>

#include "audio/ThreadMessageQueue.h"

namespace tonquelle {
namespace {

using namespace std::chrono_literals;

ThreadMessage Numbered(std::uint32_t value, std::uint32_t sender = 0) {
    return {.Id = MessagePlay, .Device = sender, .Value = value};
}

// The values of the messages waiting now, oldest first.
std::vector<std::uint32_t> TakeAll(ThreadMessageQueue& queue) {
    std::vector<std::uint32_t> values;
    while (queue.Size() > 0) {
        values.push_back(queue.Wait().Value);
    }
    return values;
}

std::vector<std::uint32_t> Range(std::uint32_t first, std::uint32_t end) {
    std::vector<std::uint32_t> values;
    for (std::uint32_t value = first; value < end; ++value) {
        values.push_back(value);
    }
    return values;
}

TEST(ThreadMessageQueue, AnEmptyQueueGivesNothingAtTheDeadline) {
    ThreadMessageQueue queue;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(queue.WaitUntil(start + 20ms).has_value());
    EXPECT_GE(std::chrono::steady_clock::now() - start, 20ms);
    EXPECT_EQ(queue.Size(), 0u);
}

TEST(ThreadMessageQueue, AFullQueueRefusesAPostAndKeepsWhatItHolds) {
    ThreadMessageQueue queue;
    const auto capacity = static_cast<std::uint32_t>(ThreadMessageQueue::Capacity);
    for (std::uint32_t value = 0; value < capacity; ++value) {
        ASSERT_TRUE(queue.Post(Numbered(value))) << value;
    }
    EXPECT_FALSE(queue.Post(Numbered(capacity)));
    EXPECT_EQ(queue.Size(), ThreadMessageQueue::Capacity);
    EXPECT_EQ(TakeAll(queue), Range(0, capacity));
}

TEST(ThreadMessageQueue, WaitReturnsOnceAnotherThreadPosts) {
    ThreadMessageQueue queue;
    std::thread poster([&queue] {
        std::this_thread::sleep_for(20ms);
        queue.Post(Numbered(5));
    });
    EXPECT_EQ(queue.WaitUntil(std::chrono::steady_clock::now() + 10s)->Value, 5u);
    poster.join();
}

// Two threads post numbered messages as fast as the queue takes them (retrying when it is full)
// while the receiver takes them: each sender's messages arrive once each, in its order.
TEST(ThreadMessageQueue, TwoSendersAndOneReceiverLoseNothingAndKeepEachSendersOrder) {
    constexpr std::uint32_t PerSender = 20000;
    ThreadMessageQueue queue;
    const auto send = [&queue](std::uint32_t sender) {
        for (std::uint32_t value = 0; value < PerSender;) {
            if (queue.Post(Numbered(value, sender))) {
                ++value;
            } else {
                std::this_thread::yield();
            }
        }
    };
    std::thread first(send, 0);
    std::thread second(send, 1);
    std::uint32_t expected[2] = {0, 0};
    std::uint32_t outOfOrder = 0;
    for (std::uint32_t taken = 0; taken < 2 * PerSender; ++taken) {
        const ThreadMessage message = queue.Wait();
        outOfOrder += message.Value != expected[message.Device] ? 1 : 0;
        ++expected[message.Device];
    }
    first.join();
    second.join();
    EXPECT_EQ(outOfOrder, 0u);
    EXPECT_EQ(expected[0], PerSender);
    EXPECT_EQ(expected[1], PerSender);
    EXPECT_EQ(queue.Size(), 0u);
}

}  // namespace
}  // namespace tonquelle
