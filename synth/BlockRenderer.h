#pragma once

#include <cstdint>

#include "records/OutputStream.h"
#include "synth/BlockKernels.h"

namespace tonquelle {

// Fills `buffer` with `frames` interleaved frames of the stream's live channels from frame
// `firstFrame` of the time base: block by block with `kernels`, every code that of StoreSample
// for ChannelValue (codes the kernels leave open are computed that way). Stream thread only;
// allocates nothing.
void RenderFrames(const OutputStream& stream, std::int64_t firstFrame, std::int32_t frames,
                  std::uint8_t* buffer, const BlockKernels& kernels);

// The channels in use, limited to the channel blocks that exist.
std::int32_t ChannelsInUse(const OutputStream& stream);

}  // namespace tonquelle
