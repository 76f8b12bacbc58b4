#pragma once

#include <array>
#include <cstdint>

#include "records/ChannelSettings.h"
#include "records/Limits.h"
#include "records/WaveformTable.h"
#include "synth/LogSweep.h"
#include "synth/Noise.h"

namespace tonquelle {

// A channel's tables as the renderer reads them: the live slots.
using ChannelTables = std::array<WaveformTable, WaveformSlotCount>;

// The carrier or amplitude-modulation shape `index` at phase x; `table` is the user shape's.
// An index outside the known shapes gives 0 (silence, or the constant mean factor for AM).
double ShapeValue(std::int32_t index, double x, const WaveformTable& table);

// The phase integral of the frequency-modulation shape `index` at x; the user shape and unknown
// indices give no deviation.
double ShapeIntegral(std::int32_t index, double x);

// Where a sample lies: the channel's number in the stream and the frame of the common time base
// (the keys of the noise shapes), and that frame's time t = frame / rate in seconds.
struct SamplePoint {
    std::int32_t Channel = 0;
    std::int64_t Frame = 0;
    double Time = 0.0;
};

// The noise colour of a waveform index (None for the periodic shapes and unknown indices).
NoiseColour NoiseColourOf(std::int32_t index);

// The carrier phase in radians at time t (seconds); a logarithmic sweep's is LogSweepPhase.
double CarrierPhase(const ChannelSettings& s, double t);

// The amplitude factor at `point`; `amTable` is the user shape of the amplitude modulation. A
// noise moves it between the limits (pink noise clipped to ±1 first) with AMFrequency unused.
double AmplitudeFactor(const ChannelSettings& s, const WaveformTable& amTable,
                       const SamplePoint& point);

// The value of one channel at `point`: a pure function of its settings, its live tables and the
// point. This is the definition of every sample; faster paths must give the same codes.
double ChannelValue(const ChannelSettings& s, const ChannelTables& tables,
                    const SamplePoint& point);

// The same with the carrier's and the amplitude modulation's user tables given one by one, and
// a logarithmic sweep's shape made beforehand (nullptr: made for this value).
double ChannelValue(const ChannelSettings& s, const WaveformTable& carrierTable,
                    const WaveformTable& amTable, const SamplePoint& point,
                    const LogSweepShape* sweep = nullptr);

}  // namespace tonquelle
