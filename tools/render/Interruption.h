#pragma once

namespace tonquelle {

// SIGINT and SIGTERM ask the render to stop: it then removes what it began and ends with one
// line. They also end a wait in a blocking call (opening a FIFO that has no reader, writing into
// a full pipe), which then fails, so no stage waits past them. SIGPIPE becomes a write error
// (EPIPE) with its message instead of a silent end. Call first thing in main.
void CatchInterruptions();

// True once SIGINT or SIGTERM has arrived.
bool InterruptionRequested();

}  // namespace tonquelle
