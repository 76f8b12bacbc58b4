#include "audio/ThreadMessageQueue.h"

namespace tonquelle {

bool ThreadMessageQueue::Post(const ThreadMessage& message) {
    {
        std::lock_guard lock(mutex_);
        if (count_ == Capacity) {
            return false;
        }
        ring_[(head_ + count_) % Capacity] = message;
        ++count_;
    }
    posted_.notify_one();
    return true;
}

ThreadMessage ThreadMessageQueue::Wait() {
    std::unique_lock lock(mutex_);
    posted_.wait(lock, [this] { return count_ > 0; });
    return TakeOldest();
}

std::optional<ThreadMessage> ThreadMessageQueue::WaitUntil(
    std::chrono::steady_clock::time_point deadline) {
    std::unique_lock lock(mutex_);
    if (!posted_.wait_until(lock, deadline, [this] { return count_ > 0; })) {
        return std::nullopt;
    }
    return TakeOldest();
}

ThreadMessage ThreadMessageQueue::TakeOldest() {
    const ThreadMessage message = ring_[head_];
    head_ = (head_ + 1) % Capacity;
    --count_;
    return message;
}

std::size_t ThreadMessageQueue::Size() const {
    std::lock_guard lock(mutex_);
    return count_;
}

}  // namespace tonquelle
