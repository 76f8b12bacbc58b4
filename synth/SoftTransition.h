#pragma once

#include <array>
#include <cstdint>

#include "records/OutputStream.h"
#include "synth/ChannelValue.h"

namespace tonquelle {

// Frames of a soft transition: 10 ms, at least one frame, at most the whole buffer.
std::int32_t SoftTransitionFrames(std::int32_t sampleRate, std::int32_t bufferFrames);

// Turns soft transitions on or off: the choice the settings file keeps (Config) and the switch
// the stream thread reads. UI thread, or a tool before it renders.
void SetSoftTransitions(OutputStream& stream, bool on);

// The soft transitions of one buffer. RenderBuffer makes one before its hand-over; it keeps what
// the previous buffer played: each channel's settings and the live tables the hand-over replaces
// (freed with this object, once the buffer is rendered, outside the lock). When soft transitions
// are on, Apply then overwrites the first SoftTransitionFrames frames of every channel whose
// settings or tables changed with a raised-cosine crossfade from the old signal to the new one,
// both computed sample by sample the defined way (ChannelValue, StoreSample). When they are off,
// it writes nothing. Stream thread only; allocates nothing.
class SoftTransition {
  public:
    // Before the hand-over: notes the switch and the settings the previous buffer played.
    explicit SoftTransition(const OutputStream& stream);

    // Keeps the live table that the hand-over replaces in `slot` of `channel` until the buffer is
    // rendered.
    void Retire(std::int32_t channel, std::int32_t slot, WaveformTable&& table);

    // After the channel renderers filled `buffer` and before FrameCounter moves on.
    void Apply(const OutputStream& stream, std::uint8_t* buffer) const;

  private:
    bool Changed(const ChannelState& state, std::int32_t channel) const;
    // Overwrites the first `frames` samples of `channel` with the crossfade.
    void Crossfade(const OutputStream& stream, std::int32_t channel, std::int32_t frames,
                   std::uint8_t* buffer) const;
    const WaveformTable& OldTable(const ChannelState& state, std::int32_t channel,
                                  std::int32_t slot) const;

    bool on_;
    std::int32_t channels_;
    std::array<ChannelSettings, MaxChannels> previous_{};
    std::array<ChannelTables, MaxChannels> retired_{};
    std::array<std::array<bool, WaveformSlotCount>, MaxChannels> replaced_{};
};

}  // namespace tonquelle
