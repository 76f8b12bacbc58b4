#pragma once

#include "audio/OutputStream.h"

namespace tonquelle {

// Opens stream.Config's device through stream.Driver, starts the stream thread and the two
// circulating buffers. False on any failure, after releasing whatever was created; false while
// already running. UI thread.
bool StartOutput(OutputStream& stream);

// Resets and closes the device, ends the stream thread (waiting at most 5000 ms) and releases
// the buffers and every user waveform. True when everything was released; on a stream that is
// not running it succeeds and changes nothing. UI thread.
bool StopOutput(OutputStream& stream);

bool IsRunning(const OutputStream& stream);

}  // namespace tonquelle
