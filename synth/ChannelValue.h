#pragma once

#include <array>
#include <cstdint>

#include "records/ChannelSettings.h"
#include "records/Limits.h"
#include "records/WaveformTable.h"

namespace tonquelle {

// A channel's tables as the renderer reads them: the live slots.
using ChannelTables = std::array<WaveformTable, WaveformSlotCount>;

// The carrier or amplitude-modulation shape `index` at phase x; `table` is the user shape's.
// An index outside the known shapes gives 0 (silence, or the constant mean factor for AM).
double ShapeValue(std::int32_t index, double x, const WaveformTable& table);

// The phase integral of the frequency-modulation shape `index` at x; the user shape and unknown
// indices give no deviation.
double ShapeIntegral(std::int32_t index, double x);

// The carrier phase in radians at time t (seconds).
double CarrierPhase(const ChannelSettings& s, double t);

// The amplitude factor at time t; `amTable` is the user shape of the amplitude modulation.
double AmplitudeFactor(const ChannelSettings& s, const WaveformTable& amTable, double t);

// The value of one channel at time t: a pure function of its settings, its live tables and t.
// This is the definition of every sample; faster paths must give the same codes.
double ChannelValue(const ChannelSettings& s, const ChannelTables& tables, double t);

// The same with the carrier's and the amplitude modulation's user tables given one by one.
double ChannelValue(const ChannelSettings& s, const WaveformTable& carrierTable,
                    const WaveformTable& amTable, double t);

}  // namespace tonquelle
