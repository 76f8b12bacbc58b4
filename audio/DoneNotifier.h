#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <semaphore>
#include <span>
#include <thread>

#include "audio/SpscRing.h"
#include "audio/WaveOut.h"

namespace tonquelle {

// Hands a device's finished buffers to its WaveDoneSink, one notification per buffer, in the
// order they were posted, from a thread of its own. The device's playing side posts without
// taking a lock, so a real-time callback may post; a reset delivers the rest synchronously.
class DoneNotifier {
  public:
    // At most this many buffers may be between a device's Write and their notification.
    static constexpr std::size_t Capacity = 64;

    explicit DoneNotifier(WaveDoneSink& sink);
    // Stops the thread; buffers posted but not yet delivered are dropped without notification.
    ~DoneNotifier();
    DoneNotifier(const DoneNotifier&) = delete;
    DoneNotifier& operator=(const DoneNotifier&) = delete;

    // Producer side, one thread at a time (the device's callback or I/O thread): queues `header`
    // for delivery and wakes the thread. Lock-free; false only when Capacity is exceeded, which
    // a device prevents by counting its buffers in flight (Written() - Delivered()).
    bool Post(WaveHeader* header);

    // Delivers every buffer posted so far, then `more` in order, on the calling thread; returns
    // when all of them have been delivered. For `more` to come last, the device calls it once
    // its playing side has stopped posting (a reset, after taking back the queue).
    void Flush(std::span<WaveHeader* const> more);

    // Number of buffers delivered so far. Any thread.
    std::uint64_t Delivered() const { return delivered_.load(std::memory_order_acquire); }

    // Ends the thread after delivering what was posted; the sink is never called afterwards.
    void Stop();

  private:
    void Run();
    void DeliverPosted();  // caller holds deliveryLock_
    void Deliver(WaveHeader* header);

    WaveDoneSink& sink_;
    // Posted headers: pushed by the device's playing side, popped by whoever holds
    // deliveryLock_ (the notifier thread or Flush).
    SpscRing<WaveHeader*, Capacity> posted_;
    // Serialises deliveries so that the sink sees the buffers in order: held by the notifier
    // thread and by Flush while they pop and notify.
    std::mutex deliveryLock_;
    // Wakes the notifier thread: released by Post and Stop, acquired by the notifier thread.
    std::counting_semaphore<> wake_{0};
    // Written by Stop (device's caller thread), read by the notifier thread.
    std::atomic<bool> stopping_{false};
    // Written under deliveryLock_; read by any thread.
    std::atomic<std::uint64_t> delivered_{0};
    std::thread thread_;
};

}  // namespace tonquelle
