#pragma once

#include <chrono>
#include <future>
#include <thread>

namespace tonquelle {

// Joins `thread` if it ends within `limit`: `ended` must become ready when the thread function
// has returned (std::promise::set_value_at_thread_exit). On time-out the thread is left running
// and joinable and the result is false, so the caller may wait again later; the thread is never
// detached and never left to std::terminate. A thread that is not joinable counts as ended.
bool JoinWithin(std::thread& thread, const std::future<void>& ended,
                std::chrono::milliseconds limit);

}  // namespace tonquelle
