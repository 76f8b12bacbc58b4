#pragma once

#include <array>
#include <filesystem>
#include <string>

#include "records/ChannelSettings.h"
#include "records/Limits.h"
#include "records/OutputConfig.h"

namespace tonquelle {

inline constexpr std::int32_t MemorySlotCount = 10;

// A named set of channel settings, one per channel position (not per speaker).
struct MemorySlot {
    std::string Name;
    std::array<ChannelSettings, MaxChannels> Channels;
};

using MemorySlots = std::array<MemorySlot, MemorySlotCount>;

// Fills the stored OutputConfig fields and all ten slots from the settings file; whatever is
// missing takes its default. Never fails.
void LoadSettings(const std::filesystem::path& path, OutputConfig& config, MemorySlots& slots);

// Writes the settings file anew. False when it cannot be written; the old file then stays as it
// was.
bool SaveSettings(const std::filesystem::path& path, const OutputConfig& config,
                  const MemorySlots& slots);

}  // namespace tonquelle
