#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <span>
#include <thread>

#include "audio/Semaphore.h"
#include "audio/SpscRing.h"
#include "audio/WaveOut.h"

namespace tonquelle {

// Hands a device's finished buffers to its WaveDoneSink, one notification per buffer, in the
// order they were posted, from a thread of its own. The device's playing side queues without a
// lock and then takes only the wake-up's mutex, which every thread holds just long enough to
// change or test a counter, so a real-time callback may post; a reset delivers the rest
// synchronously.
class DoneNotifier {
  public:
    // At most this many buffers may be between a device's Write and their notification.
    static constexpr std::size_t Capacity = 64;

    // `promoteThread`, when given, runs first on the notifier thread (a device's request for
    // real-time scheduling: the refill of every buffer waits for this thread).
    explicit DoneNotifier(WaveDoneSink& sink, bool (*promoteThread)() = nullptr);
    // Stops the thread; buffers posted but not yet delivered are dropped without notification.
    ~DoneNotifier();
    DoneNotifier(const DoneNotifier&) = delete;
    DoneNotifier& operator=(const DoneNotifier&) = delete;

    // Producer side, one thread at a time (the device's callback or I/O thread): queues `header`
    // for delivery and wakes the thread (the wake-up's short mutex only); false only when Capacity
    // is exceeded, which a device prevents by counting its buffers in flight (Written() -
    // Delivered()).
    bool Post(WaveHeader* header);

    // Delivers every buffer posted so far, then `more` in order, on the calling thread; returns
    // when all of them have been delivered. For `more` to come last, the device calls it once
    // its playing side has stopped posting (a reset, after taking back the queue).
    void Flush(std::span<WaveHeader* const> more);

    // Producer side, like Post (a real-time callback may call it): the device can no longer
    // play. The notifier thread tells the sink once, after the buffers posted before; later
    // reports are ignored.
    void ReportLost(WaveLossReason reason);

    // Watches a counter that the device's playing side advances while it plays (PortAudio's
    // callback): while watching is on and the counter stands still for `limit`, the device is
    // reported lost (StreamFailed). Set before the first Write; caller thread.
    void WatchHeartbeat(const std::atomic<std::uint64_t>& heartbeat,
                        std::chrono::milliseconds limit);
    // Turns the watch on (the device started playing) or off (reset); caller thread.
    void SetWatching(bool on);

    // Number of buffers delivered so far. Any thread.
    std::uint64_t Delivered() const { return delivered_.load(std::memory_order_acquire); }

    // Ends the thread after delivering what was posted; the sink is never called afterwards.
    void Stop();

  private:
    void Run();
    void DeliverPosted();  // caller holds deliveryLock_
    void Deliver(WaveHeader* header);
    void CheckHeartbeat();  // notifier thread
    void DeliverLoss();     // notifier thread, holding deliveryLock_

    WaveDoneSink& sink_;
    bool (*promoteThread_)();  // set before the thread starts, then read by it only
    // Posted headers: pushed by the device's playing side, popped by whoever holds
    // deliveryLock_ (the notifier thread or Flush).
    SpscRing<WaveHeader*, Capacity> posted_;
    // Serialises deliveries so that the sink sees the buffers in order: held by the notifier
    // thread and by Flush while they pop and notify.
    std::mutex deliveryLock_;
    // Wakes the notifier thread: released by Post, ReportLost and Stop, acquired by the notifier
    // thread. Its mutex is held only while its count is changed or tested.
    Semaphore wake_;
    // Written by Stop (device's caller thread), read by the notifier thread.
    std::atomic<bool> stopping_{false};
    // Written under deliveryLock_; read by any thread.
    std::atomic<std::uint64_t> delivered_{0};
    // The first loss reported (NoLoss while none): set by ReportLost (any producer), read by
    // the notifier thread, which alone writes lossDelivered_.
    static constexpr std::uint32_t NoLoss = ~0u;
    std::atomic<std::uint32_t> loss_{NoLoss};
    bool lossDelivered_ = false;
    // The heartbeat watch: the counter and limit are set before the thread reads them (the
    // device's first Write comes after construction; the thread reads them only while
    // watching_ is on, set after them with release order). watching_: caller thread writes,
    // notifier thread reads.
    const std::atomic<std::uint64_t>* heartbeat_ = nullptr;
    std::chrono::milliseconds heartbeatLimit_{0};
    std::atomic<bool> watching_{false};
    // The notifier thread's own: the heartbeat last seen and when it last changed.
    std::uint64_t lastHeartbeat_ = 0;
    std::chrono::steady_clock::time_point lastBeat_;
    std::thread thread_;
};

}  // namespace tonquelle
