#include "audio/DoneNotifier.h"

namespace tonquelle {

DoneNotifier::DoneNotifier(WaveDoneSink& sink) : sink_(sink), thread_([this] { Run(); }) {}

DoneNotifier::~DoneNotifier() {
    if (thread_.joinable()) {
        stopping_.store(true, std::memory_order_release);
        wake_.release();
        thread_.join();
    }
}

bool DoneNotifier::Post(WaveHeader* header) {
    if (!posted_.Push(header)) {
        return false;
    }
    wake_.release();
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
    wake_.release();
    thread_.join();
    const std::lock_guard lock(deliveryLock_);
    DeliverPosted();
}

void DoneNotifier::Run() {
    for (;;) {
        wake_.acquire();
        if (stopping_.load(std::memory_order_acquire)) {
            return;
        }
        const std::lock_guard lock(deliveryLock_);
        DeliverPosted();
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
