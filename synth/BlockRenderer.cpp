#include "synth/BlockRenderer.h"

#include <algorithm>
#include <bit>

#include "synth/ChannelPlans.h"
#include "synth/CodeWriter.h"
#include "synth/SampleEncoding.h"
#include "synth/WaveShapes.h"

namespace tonquelle {

namespace {

// Overwrites the samples whose codes the kernels left open with StoreSample's bytes for
// ChannelValue (with the channel's logarithmic sweep made once, `sweep`, where it has one).
void StoreOpenSamples(const ChannelState& channel, std::int32_t index, const std::uint64_t* open,
                      std::int64_t firstFrame, const double* t, std::int32_t frames,
                      std::int32_t resolution, std::int32_t frameBytes, std::uint8_t* out,
                      const LogSweepShape* sweep) {
    for (std::int32_t word = 0; word < OpenWords; ++word) {
        for (std::uint64_t bits = open[word]; bits != 0; bits &= bits - 1) {
            const std::int32_t i = word * 64 + std::countr_zero(bits);
            if (i < frames) {
                std::uint8_t* cursor = out + static_cast<std::ptrdiff_t>(i) * frameBytes;
                const SamplePoint point{index, firstFrame + i, t[i]};
                const double value =
                    ChannelValue(channel.LiveSettings, channel.LiveWaveforms[WaveformSlotCarrier],
                                 channel.LiveWaveforms[WaveformSlotAM], point, sweep);
                StoreSample(value, cursor, resolution);
            }
        }
    }
}

// A modulator's values for `frames` frames from `firstFrame`: a noise from its generator (clipped
// to ±1 for an amplitude modulation; a pink one continues from the block before), the others by
// the kernels.
void ComputeModulator(const ModulatorPlan& plan, std::int64_t firstFrame, const double* t,
                      std::int32_t frames, double* out, const BlockKernels& kernels,
                      PinkGenerator& pink) {
    const auto first = static_cast<std::uint64_t>(firstFrame);
    if (plan.Noise == NoiseColour::None) {
        kernels.Modulator(plan, t, frames, out);
        return;
    }
    if (plan.Noise == NoiseColour::Pink) {
        pink.Values(plan.NoiseKey, first, frames, out);
    } else {
        NoiseValues(plan.Noise, plan.NoiseKey, first, frames, out);
    }
    if (plan.ClipNoise) {
        kernels.ClipValues(out, frames);
    }
}

}  // namespace

std::int32_t ChannelsInUse(const OutputStream& stream) {
    return std::clamp(stream.Config.ChannelCount, 0, MaxChannels);
}

void RenderFrames(const OutputStream& stream, std::int64_t firstFrame, std::int32_t frames,
                  std::uint8_t* buffer, const BlockKernels& kernels) {
    const std::int32_t channels = ChannelsInUse(stream);
    const std::int32_t resolution = stream.Config.Resolution;
    const std::int32_t sampleBytes = resolution / 8;
    const std::int32_t frameBytes = channels * sampleBytes;
    BufferPlans plans;
    for (std::int32_t c = 0; c < channels; ++c) {
        const ChannelState& state = stream.Channels[c];
        PlanChannel(state.LiveSettings, state.LiveWaveforms, resolution, plans);
    }
    FinishPlans(plans, static_cast<double>(firstFrame + frames) / stream.Config.SampleRate);
    BlockValues block;
    PinkGenerator pinks[2 * MaxChannels];  // one for each modulator
    ChannelCodes codes[MaxChannels];
    for (std::int32_t first = 0; first < frames; first += RenderBlockFrames) {
        const std::int32_t count = std::min(RenderBlockFrames, frames - first);
        // Whole vectors: the padding frames are computed and never written.
        const std::int32_t padded = (count + VectorLanes - 1) / VectorLanes * VectorLanes;
        kernels.Times(firstFrame + first, stream.Config.SampleRate, padded, block.Time,
                      block.TimeAngle);
        for (std::int32_t m = 0; m < plans.ModulatorCount; ++m) {
            ComputeModulator(plans.Modulators[m], firstFrame + first, block.Time, padded,
                             block.Modulators[m], kernels, pinks[m]);
        }
        std::uint8_t* out = buffer + static_cast<std::ptrdiff_t>(first) * frameBytes;
        std::uint64_t open[MaxChannels][OpenWords] = {};
        for (std::int32_t c = 0; c < channels; ++c) {
            kernels.Channel(plans.Channels[c], block, count, codes[c], open[c]);
        }
        kernels.Interleave(codes, channels, count, sampleBytes, out);
        for (std::int32_t c = 0; c < channels; ++c) {
            StoreOpenSamples(stream.Channels[c], c, open[c], firstFrame + first, block.Time, count,
                             resolution, frameBytes, out + c * sampleBytes,
                             plans.Channels[c].Sweep);
        }
    }
}

}  // namespace tonquelle
