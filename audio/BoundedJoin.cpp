#include "audio/BoundedJoin.h"

namespace tonquelle {

bool JoinWithin(std::thread& thread, const std::future<void>& ended,
                std::chrono::milliseconds limit) {
    if (!thread.joinable()) {
        return true;
    }
    if (ended.valid() && ended.wait_for(limit) != std::future_status::ready) {
        return false;
    }
    // The thread function has returned; only the thread's own clean-up remains.
    thread.join();
    return true;
}

}  // namespace tonquelle
