#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <mutex>

namespace tonquelle {

// A counting semaphore on a mutex and a condition variable, on every platform.
//
// Not std::counting_semaphore: libstdc++ 12 builds it on its atomic wait, which on targets
// without a futex (mingw-w64, so every Windows build) reads the count before it takes its
// internal mutex and notifies without holding it. A release that falls between the two is lost,
// and the waiter sleeps on until its time runs out (an untimed acquire hung under Wine; a timed
// one would make the engine's handshakes fail after their 5 s). Here the count changes and is
// tested only under the mutex, so no release can slip between a waiter's test and its sleep.
class Semaphore {
  public:
    explicit Semaphore(std::ptrdiff_t initial = 0) : count_(initial) {}
    Semaphore(const Semaphore&) = delete;
    Semaphore& operator=(const Semaphore&) = delete;

    // Adds one and wakes one waiter. Any thread. The notification is sent while the mutex is
    // held: a waiter that wakes, takes the count and destroys the semaphore (the engine's
    // handshakes do) cannot do so before this call has finished with it.
    void Release() {
        const std::lock_guard lock(mutex_);
        ++count_;
        released_.notify_one();
    }

    // Takes one as soon as the count is above zero, waiting at most `timeout`; false when the
    // time ran out first. Any thread.
    template <typename Rep, typename Period>
    bool TryAcquireFor(const std::chrono::duration<Rep, Period>& timeout) {
        std::unique_lock lock(mutex_);
        if (!released_.wait_for(lock, timeout, [this] { return count_ > 0; })) {
            return false;
        }
        --count_;
        return true;
    }

  private:
    std::mutex mutex_;
    std::condition_variable released_;
    // Guarded by mutex_.
    std::ptrdiff_t count_;
};

}  // namespace tonquelle
