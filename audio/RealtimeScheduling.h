#pragma once

namespace tonquelle {

// Asks the system to schedule the calling thread in real time (round-robin, a low real-time
// priority, below the sound server's own threads), so that ordinary busy programs cannot delay
// it: first directly, where the process may (RLIMIT_RTPRIO, or the privilege), then through
// RealtimeKit on the system bus, as desktop sound programs do. Where neither grants it the
// thread stays as it is. True when the thread now runs in real time. Blocks for at most about
// a second (the bus call's time limit); never call it on a real-time path.
bool RequestRealtimeScheduling();

}  // namespace tonquelle
