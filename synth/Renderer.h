#pragma once

#include <cstdint>

#include "records/OutputStream.h"

namespace tonquelle {

// Copies EditSettings to PendingSettings for `channel` (0..7), or for channels
// 0..ChannelCount-1 when `channel` is -1, under SettingsLock. UI thread.
void PublishChannel(OutputStream& stream, std::int32_t channel);

// Takes over the published settings and waveforms, then fills `buffer` (BufferBytesOf(Config)
// bytes) with BufferFrames interleaved frames and advances FrameCounter by BufferFrames. With
// soft transitions on, a channel that changed since the previous buffer fades from its old
// signal to the new one in the buffer's first 10 ms (synth/SoftTransition.h).
// Stream thread only.
void RenderBuffer(OutputStream& stream, std::uint8_t* buffer);

}  // namespace tonquelle
