#pragma once

#include <array>
#include <cstdint>

#include "synth/BlockPlan.h"
#include "synth/ChannelValue.h"

namespace tonquelle {

// The block plans of a buffer's channels and the distinct modulators they read: channels whose
// modulation has the same shape and frequency (and table) share one modulator.
struct BufferPlans {
    std::array<ChannelPlan, MaxChannels> Channels;
    std::array<ModulatorPlan, 2 * MaxChannels> Modulators;
    // The logarithmic sweeps' shapes, of the channels whose plan's phase is PhaseKind::LogSweep.
    std::array<LogSweepShape, MaxChannels> Sweeps;
    std::int32_t ChannelCount = 0;
    std::int32_t ModulatorCount = 0;
};

// Plans the next channel of `plans` from its live settings and tables.
void PlanChannel(const ChannelSettings& settings, const ChannelTables& tables,
                 std::int32_t resolution, BufferPlans& plans);

// Completes the plans once every channel is in: how each modulator is computed, and how each
// channel's codes are proven. `lastTime` bounds the time base of the frames to render.
void FinishPlans(BufferPlans& plans, double lastTime);

}  // namespace tonquelle
