#pragma once

#include <memory>

#include "audio/WaveOut.h"

namespace tonquelle {

// The device layer of this machine: PulseAudio when a PulseAudio-protocol server answers (every
// Linux desktop, PipeWire included), PortAudio elsewhere, and a layer without devices when
// neither can be started. Never null.
std::unique_ptr<WaveOutDriver> CreateSystemWaveOutDriver();

}  // namespace tonquelle
