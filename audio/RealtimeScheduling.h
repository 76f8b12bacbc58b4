#pragma once

namespace tonquelle {

// Asks the system to schedule the calling thread in real time, so that ordinary busy programs
// cannot delay it. On Linux: round-robin at a low real-time priority, below the sound server's
// own threads, first directly, where the process may (RLIMIT_RTPRIO, or the privilege), then
// through RealtimeKit on the system bus, as desktop sound programs do. On Windows: the
// time-critical priority of the process's class. Where neither grants it the thread stays as it
// is. True when the thread now runs raised. Blocks for at most about a second (the bus call's
// time limit); never call it on a real-time path.
bool RequestRealtimeScheduling();

}  // namespace tonquelle
