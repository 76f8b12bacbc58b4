#pragma once

#include "records/ChannelSettings.h"

namespace tonquelle {

// Whether the channel sweeps logarithmically: FlagFM and FlagFMLog set and both limits above
// 0 Hz (a limit ≤ 0 or NaN leaves the linear sweep).
bool LogarithmicSweep(const ChannelSettings& s);

// The carrier phase in radians at time t of a logarithmic sweep: PhaseShift plus 2π times the
// integral from 0 to t of the instantaneous frequency FMMinFreq · (FMMaxFreq / FMMinFreq)^((w + 1)
// / 2), w the FM shape's value. Whole FM periods are counted and multiplied by the integral over
// one period, the partial period integrated in closed form. Shapes without an integral (the user
// shape, unknown indices) and FMFrequency 0 give no deviation (w = 0).
double LogSweepPhase(const ChannelSettings& s, double t);

}  // namespace tonquelle
