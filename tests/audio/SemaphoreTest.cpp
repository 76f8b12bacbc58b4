// The engine's semaphore: every release is taken exactly once, none is lost between a waiter's
// test and its sleep, and a waiter may destroy it as soon as it has taken the count.
#include "audio/Semaphore.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

namespace tonquelle {
namespace {

using namespace std::chrono_literals;

// Far longer than any wake-up takes, even under a sanitizer or an emulator: running out of it
// means a release was lost.
constexpr auto LostWakeUp = 10s;

// Two threads hand a turn back and forth through two semaphores, so that each release meets a
// waiter that is about to sleep or already asleep: the moment where a wake-up can be lost
// (libstdc++'s std::counting_semaphore without a futex tests the count before it takes its
// mutex; its untimed acquire hung in such a ping-pong under Wine).
TEST(Semaphore, APingPongOfManyRoundsLosesNoWakeUp) {
    constexpr int Rounds = 20000;
    Semaphore ping, pong;
    std::atomic<int> pongsLost{0};
    std::thread partner([&] {
        for (int round = 0; round < Rounds; ++round) {
            if (!ping.TryAcquireFor(LostWakeUp)) {
                pongsLost.fetch_add(1);
                return;
            }
            pong.Release();
        }
    });
    int completed = 0;
    while (completed < Rounds) {
        ping.Release();
        if (!pong.TryAcquireFor(LostWakeUp)) {
            break;
        }
        ++completed;
    }
    partner.join();
    EXPECT_EQ(completed, Rounds);
    EXPECT_EQ(pongsLost.load(), 0);
}

// Releases from one thread while another takes: the taker gets exactly as many as were given,
// whether they came before it waited or while it slept, and then no more.
TEST(Semaphore, EachReleaseIsTakenExactlyOnce) {
    constexpr int Releases = 50000;
    Semaphore semaphore(3);  // three given at the start
    std::thread giver([&] {
        for (int i = 0; i < Releases; ++i) {
            semaphore.Release();
        }
    });
    int taken = 0;
    while (taken < Releases + 3 && semaphore.TryAcquireFor(LostWakeUp)) {
        ++taken;
    }
    giver.join();
    EXPECT_EQ(taken, Releases + 3);
    EXPECT_FALSE(semaphore.TryAcquireFor(0ms));
}

// The engine's handshake: the stream thread releases and goes on, the UI thread takes the count
// and destroys the semaphore at once. The release must be over by then (the sanitizer builds
// see a use after free otherwise).
TEST(Semaphore, TheWaiterMayDestroyItAsSoonAsItHasTakenTheCount) {
    for (int round = 0; round < 2000; ++round) {
        auto semaphore = std::make_unique<Semaphore>();
        std::thread releaser([raw = semaphore.get()] { raw->Release(); });
        ASSERT_TRUE(semaphore->TryAcquireFor(LostWakeUp));
        semaphore.reset();
        releaser.join();
    }
}

}  // namespace
}  // namespace tonquelle
