#include "tools/render/Interruption.h"

#include <atomic>
#include <csignal>

namespace tonquelle {

namespace {

// Written by the signal handler (on Windows on a thread of its own), read by the render.
std::atomic<bool> interrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free, "the handler may only use lock-free atomics");

extern "C" void OnInterrupt(int) {
    interrupted.store(true, std::memory_order_relaxed);
}

}  // namespace

#if defined(_WIN32)
void CatchInterruptions() {
    // Windows has no SIGPIPE, and its console handler runs beside the blocked call.
    std::signal(SIGINT, OnInterrupt);
    std::signal(SIGTERM, OnInterrupt);
}
#else
void CatchInterruptions() {
    struct sigaction action = {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;  // no SA_RESTART: a blocking open or write returns with EINTR
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
}
#endif

bool InterruptionRequested() {
    return interrupted.load(std::memory_order_relaxed);
}

}  // namespace tonquelle
