#pragma once

#include <cstdint>

#include "audio/WaveOut.h"
#include "records/OutputStream.h"

namespace tonquelle {

// Opens stream.Config's device through stream.Driver, starts the stream thread and the two
// circulating buffers. False on any failure, after releasing whatever was created (and with
// stream.StartRefusal saying why, where the device told); false while already running. Waits
// at most stream.ThreadEndTimeout for the stream thread. UI thread.
bool StartOutput(OutputStream& stream);

// Resets and closes the device, ends the stream thread and releases the buffers and every user
// waveform, waiting at most stream.ThreadEndTimeout for each handshake with the stream thread.
// True when everything was released; on a stream that is not running it succeeds and changes
// nothing. UI thread.
bool StopOutput(OutputStream& stream);

bool IsRunning(const OutputStream& stream);

// How the running stream fares. A device that fails while playing is closed, and the stream
// thread reopens the same device every OutputStream::ReconnectInterval, with every channel's
// settings, until it answers (Playing again) or ReconnectLimit has passed since the loss (Lost:
// the stream plays no more; the program stops it as the stop command would).
enum class StreamHealth : std::uint32_t { Stopped, Playing, Reconnecting, Lost };

struct StreamStatus {
    StreamHealth Health = StreamHealth::Stopped;
    // Gaps since the start: those the devices counted, plus one for each lost device.
    std::uint64_t Dropouts = 0;
    // Why the device was lost last (meaningful once Health was Reconnecting or Lost).
    WaveLossReason LossReason = WaveLossReason::StreamFailed;
};

// The running stream's status, read without waiting. UI thread.
StreamStatus ReadStreamStatus(const OutputStream& stream);

}  // namespace tonquelle
