#pragma once

#include <cstdint>

namespace tonquelle {

// The output configuration: what the device dialog (and the soft-transitions menu entry) edits
// and the settings file keeps (all but ChannelCount, which is derived from ChannelMask when the
// dialog is accepted).
struct OutputConfig {
    std::int32_t OutputDevice = 0;  // device id; -1 = the system's default output
    std::int32_t SampleRate = 0;    // frames per second
    std::int32_t Resolution = 0;    // bits per sample: 8, 16, 24 or 32
    std::int32_t BufferLength = 0;  // milliseconds per buffer
    std::int32_t ChannelMask = 0;   // speaker positions in use, bit i = SpeakerNames[i]
    std::int32_t ChannelCount = 0;  // set bits of ChannelMask, 1..8 once accepted
    // Soft transitions ("Weiche Übergänge"): 0 off, 1 on. The stored choice; the stream thread
    // reads OutputStream::SoftTransitions, which SetSoftTransitions keeps in step.
    std::int32_t SoftTransitions = 0;
};

// Frames per buffer and bytes per buffer of a configuration, with truncating division.
// Both fit in 32 bits for every configuration the dialog offers; a configuration whose sizes do
// not fit (a hand-made one) gives -1, which the engine refuses like a zero size.
std::int32_t BufferFramesOf(const OutputConfig& config);
std::int32_t BufferBytesOf(const OutputConfig& config);

}  // namespace tonquelle
