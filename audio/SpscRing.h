#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <optional>

namespace tonquelle {

// A bounded lock-free queue for exactly one producer thread and one consumer thread at a time.
// Push and Pop take no lock, allocate nothing and never wait, so a real-time callback may use
// either end. Producer or consumer may change threads only across a happens-before edge (a join,
// a mutex hand-over, a stopped audio stream).
template <typename T, std::size_t Capacity>
class SpscRing {
    static_assert(Capacity > 0 && (Capacity & (Capacity - 1)) == 0, "Capacity: a power of two");

  public:
    // Producer only. False when the ring is full.
    bool Push(const T& value) {
        const std::size_t tail = tail_.load(std::memory_order_relaxed);
        if (tail - head_.load(std::memory_order_acquire) == Capacity) {
            return false;
        }
        slots_[tail % Capacity] = value;
        tail_.store(tail + 1, std::memory_order_release);
        return true;
    }

    // Consumer only. Empty when nothing is queued.
    std::optional<T> Pop() {
        const std::size_t head = head_.load(std::memory_order_relaxed);
        if (head == tail_.load(std::memory_order_acquire)) {
            return std::nullopt;
        }
        T value = slots_[head % Capacity];
        head_.store(head + 1, std::memory_order_release);
        return value;
    }

  private:
    std::array<T, Capacity> slots_{};
    // Count of values ever popped: written by the consumer, read by the producer.
    alignas(64) std::atomic<std::size_t> head_{0};
    // Count of values ever pushed: written by the producer, read by the consumer.
    alignas(64) std::atomic<std::size_t> tail_{0};
};

}  // namespace tonquelle
