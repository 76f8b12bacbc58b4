#pragma once

#include <cstdint>

#include "synth/ChannelValue.h"

namespace tonquelle {

// Frames rendered per step: the time base and the shapes of a block are computed in arrays that
// the compiler turns into vector code; small enough to stay in the first-level cache.
inline constexpr std::int32_t RenderBlockFrames = 256;

// t = frame / sampleRate for `frames` (at most RenderBlockFrames) consecutive frames from
// `firstFrame`: the time base every channel of a frame shares.
void BlockTimes(std::int64_t firstFrame, std::int32_t sampleRate, std::int32_t frames, double* t);

// One channel's samples, computed a block at a time with vector shape evaluation, yet with
// exactly the codes StoreSample gives for ChannelValue at every frame: each fast value carries a
// bound of its distance from the defined value, and a sample whose code that distance could
// change is computed the defined way instead. Built per buffer from the live settings; stream
// thread only. Allocates nothing and keeps references to `settings` and `tables`.
class FastChannelRenderer {
  public:
    FastChannelRenderer(const ChannelSettings& settings, const ChannelTables& tables,
                        std::int32_t resolution);

    // Writes the samples of `frames` frames (at most RenderBlockFrames) with times `t`: the
    // first at `out`, each following one `frameBytes` further.
    void Render(const double* t, std::int32_t frames, std::uint8_t* out,
                std::int32_t frameBytes) const;

  private:
    struct Block;

    const ChannelSettings& settings_;
    const ChannelTables& tables_;
    std::int32_t resolution_;
    // Which parts run in vector code: sine frequency modulation with a deviation term, a sine
    // carrier, sine amplitude modulation. The others are computed the defined way.
    bool fastFM_;
    bool fastCarrier_;
    bool fastAM_;
};

}  // namespace tonquelle
