#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <thread>
#include <vector>

#include "audio/SpscRing.h"

namespace tonquelle {
namespace {

// Everything the ring holds, oldest first, popped until it is empty.
template <typename Ring>
std::vector<int> PopAll(Ring& ring) {
    std::vector<int> values;
    while (const auto value = ring.Pop()) {
        values.push_back(*value);
    }
    return values;
}

TEST(SpscRing, AFullRingRefusesAPushAndKeepsWhatItHolds) {
    SpscRing<int, 4> ring;
    for (int value = 1; value <= 4; ++value) {
        EXPECT_TRUE(ring.Push(value)) << value;
    }
    EXPECT_FALSE(ring.Push(5));
    EXPECT_EQ(PopAll(ring), (std::vector<int>{1, 2, 3, 4}));
    // One pop makes room for exactly one push.
    for (int value = 1; value <= 4; ++value) {
        ASSERT_TRUE(ring.Push(value));
    }
    EXPECT_EQ(ring.Pop(), 1);
    EXPECT_TRUE(ring.Push(5));
    EXPECT_FALSE(ring.Push(6));
    EXPECT_EQ(PopAll(ring), (std::vector<int>{2, 3, 4, 5}));
}

// One producer and one consumer on their own threads; a ring of 8 is full and empty many times
// over. The consumer must see every value once, in order.
TEST(SpscRing, TwoThreadsHandOverEveryValueInOrder) {
    constexpr int Count = 200000;
    SpscRing<int, 8> ring;
    std::thread producer([&ring] {
        for (int value = 0; value < Count;) {
            if (ring.Push(value)) {
                ++value;
            } else {
                std::this_thread::yield();
            }
        }
    });
    int expected = 0;
    int outOfOrder = 0;
    while (expected < Count) {
        if (const auto value = ring.Pop()) {
            outOfOrder += *value != expected ? 1 : 0;
            ++expected;
        } else {
            std::this_thread::yield();
        }
    }
    producer.join();
    EXPECT_EQ(outOfOrder, 0);
    EXPECT_FALSE(ring.Pop().has_value());
}

}  // namespace
}  // namespace tonquelle
