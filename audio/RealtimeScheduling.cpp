#include "audio/RealtimeScheduling.h"

#ifdef __linux__
#include <dbus/dbus.h>
#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#elif defined(_WIN32)
#include <windows.h>
#endif

namespace tonquelle {

#ifdef __linux__
namespace {

// Low on purpose: the sound server's threads (RealtimeKit's ceiling is 20, PipeWire asks for
// 88) must still come first, or the server could not take what we write.
constexpr int WantedPriority = 5;
// RealtimeKit hands out real-time scheduling only to processes that limit a real-time thread's
// CPU time without a blocking call; ours block at every buffer.
constexpr rlim_t RealtimeCpuLimitMicroseconds = 200'000;
constexpr int BusCallTimeoutMs = 1000;

bool SetRoundRobin(int priority) {
    sched_param parameter{};
    parameter.sched_priority = priority;
    return pthread_setschedparam(pthread_self(), SCHED_RR | SCHED_RESET_ON_FORK, &parameter) == 0;
}

// Directly: root, CAP_SYS_NICE, or an RLIMIT_RTPRIO of at least 1 (limits.conf, systemd).
bool PromoteDirectly() {
    rlimit limit{};
    if (getrlimit(RLIMIT_RTPRIO, &limit) == 0 && limit.rlim_cur > 0) {
        return SetRoundRobin(static_cast<int>(std::min<rlim_t>(limit.rlim_cur, WantedPriority)));
    }
    return SetRoundRobin(WantedPriority);  // succeeds only with the privilege
}

bool LimitRealtimeCpuTime() {
    rlimit limit{};
    if (getrlimit(RLIMIT_RTTIME, &limit) != 0) {
        return false;
    }
    if (limit.rlim_max != RLIM_INFINITY && limit.rlim_max < RealtimeCpuLimitMicroseconds) {
        return true;  // already stricter
    }
    limit.rlim_cur = limit.rlim_max = RealtimeCpuLimitMicroseconds;
    return setrlimit(RLIMIT_RTTIME, &limit) == 0;
}

// org.freedesktop.RealtimeKit1.MakeThreadRealtime(thread id, priority) on the system bus, on a
// private connection so that nothing else of the process shares it.
bool PromoteThroughRealtimeKit() {
    if (!LimitRealtimeCpuTime()) {
        return false;
    }
    DBusError error;
    dbus_error_init(&error);
    DBusConnection* bus = dbus_bus_get_private(DBUS_BUS_SYSTEM, &error);
    if (bus == nullptr) {
        dbus_error_free(&error);
        return false;
    }
    dbus_connection_set_exit_on_disconnect(bus, FALSE);
    bool granted = false;
    if (DBusMessage* call = dbus_message_new_method_call(
            "org.freedesktop.RealtimeKit1", "/org/freedesktop/RealtimeKit1",
            "org.freedesktop.RealtimeKit1", "MakeThreadRealtime")) {
        dbus_uint64_t thread = static_cast<dbus_uint64_t>(syscall(SYS_gettid));
        dbus_uint32_t priority = WantedPriority;
        if (dbus_message_append_args(call, DBUS_TYPE_UINT64, &thread, DBUS_TYPE_UINT32, &priority,
                                     DBUS_TYPE_INVALID)) {
            DBusMessage* reply =
                dbus_connection_send_with_reply_and_block(bus, call, BusCallTimeoutMs, &error);
            granted = reply != nullptr && !dbus_set_error_from_message(&error, reply);
            if (reply != nullptr) {
                dbus_message_unref(reply);
            }
        }
        dbus_message_unref(call);
    }
    dbus_error_free(&error);
    dbus_connection_close(bus);
    dbus_connection_unref(bus);
    return granted;
}

}  // namespace

bool RequestRealtimeScheduling() {
    return PromoteDirectly() || PromoteThroughRealtimeKit();
}

#elif defined(_WIN32)

// The highest priority of the process's priority class that any program may take: above every
// ordinary thread, below the system's real-time class (PortAudio raises its own callback thread
// through the multimedia class scheduler).
bool RequestRealtimeScheduling() {
    return SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL) != 0;
}

#else

bool RequestRealtimeScheduling() {
    return false;
}

#endif

}  // namespace tonquelle
