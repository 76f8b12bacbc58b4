#include "audio/ThreadMessageQueue.h"

namespace tonquelle {

bool ThreadMessageQueue::Post(std::uint32_t id, WaveHeader* header) {
    {
        std::lock_guard lock(mutex_);
        if (count_ == Capacity) {
            return false;
        }
        ring_[(head_ + count_) % Capacity] = ThreadMessage{id, header};
        ++count_;
    }
    posted_.notify_one();
    return true;
}

ThreadMessage ThreadMessageQueue::Wait() {
    std::unique_lock lock(mutex_);
    posted_.wait(lock, [this] { return count_ > 0; });
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
