#include "audio/DoneNotifier.h"

namespace tonquelle {

DoneNotifier::DoneNotifier(WaveDoneSink& sink, bool (*promoteThread)())
    : sink_(sink), promoteThread_(promoteThread), thread_([this] { Run(); }) {}

DoneNotifier::~DoneNotifier() {
    if (thread_.joinable()) {
        stopping_.store(true, std::memory_order_release);
        wake_.Release();
        thread_.join();
    }
}

bool DoneNotifier::Post(WaveHeader* header) {
    if (!posted_.Push(header)) {
        return false;
    }
    wake_.Release();
    return true;
}

void DoneNotifier::Flush(std::span<WaveHeader* const> more) {
    const std::lock_guard lock(deliveryLock_);
    DeliverPosted();
    for (WaveHeader* header : more) {
        Deliver(header);
    }
}

void DoneNotifier::Stop() {
    if (!thread_.joinable()) {
        return;
    }
    stopping_.store(true, std::memory_order_release);
    wake_.Release();
    // Bounded: the thread sees stopping_ within one WatchPeriod, and the sink's calls only post
    // (WaveDoneSink: it never waits).
    thread_.join();
    const std::lock_guard lock(deliveryLock_);
    DeliverPosted();
}

void DoneNotifier::ReportLost(WaveLossReason reason) {
    std::uint32_t none = NoLoss;
    if (loss_.compare_exchange_strong(none, static_cast<std::uint32_t>(reason),
                                      std::memory_order_acq_rel)) {
        wake_.Release();
    }
}

void DoneNotifier::WatchHeartbeat(const std::atomic<std::uint64_t>& heartbeat,
                                  std::chrono::milliseconds limit) {
    heartbeat_ = &heartbeat;
    heartbeatLimit_ = limit;
}

void DoneNotifier::SetWatching(bool on) {
    watching_.store(on && heartbeat_ != nullptr, std::memory_order_release);
}

void DoneNotifier::Run() {
    if (promoteThread_ != nullptr) {
        promoteThread_();
    }
    // Wakes at least this often to look at the heartbeat.
    constexpr std::chrono::milliseconds WatchPeriod{100};
    lastBeat_ = std::chrono::steady_clock::now();
    for (;;) {
        const bool woken = wake_.TryAcquireFor(WatchPeriod);
        if (stopping_.load(std::memory_order_acquire)) {
            return;
        }
        if (!woken) {
            CheckHeartbeat();
        }
        const std::lock_guard lock(deliveryLock_);
        DeliverPosted();
        DeliverLoss();
    }
}

void DoneNotifier::CheckHeartbeat() {
    const auto now = std::chrono::steady_clock::now();
    if (!watching_.load(std::memory_order_acquire)) {
        lastBeat_ = now;
        return;
    }
    const std::uint64_t beat = heartbeat_->load(std::memory_order_relaxed);
    if (beat != lastHeartbeat_) {
        lastHeartbeat_ = beat;
        lastBeat_ = now;
    } else if (now - lastBeat_ >= heartbeatLimit_) {
        ReportLost(WaveLossReason::StreamFailed);
    }
}

void DoneNotifier::DeliverLoss() {
    const std::uint32_t loss = loss_.load(std::memory_order_acquire);
    if (loss != NoLoss && !lossDelivered_) {
        lossDelivered_ = true;
        sink_.DeviceLost(static_cast<WaveLossReason>(loss));
    }
}

void DoneNotifier::DeliverPosted() {
    while (const auto header = posted_.Pop()) {
        Deliver(*header);
    }
}

void DoneNotifier::Deliver(WaveHeader* header) {
    header->Flags = (header->Flags & ~WaveHeaderInQueue) | WaveHeaderDone;
    delivered_.fetch_add(1, std::memory_order_release);
    sink_.BufferDone(header);
}

}  // namespace tonquelle
