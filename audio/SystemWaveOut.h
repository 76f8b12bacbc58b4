#pragma once

#include <memory>

#include "audio/WaveOut.h"

namespace tonquelle {

// The device layer of this machine: on Linux PulseAudio when a PulseAudio-protocol server answers
// (every desktop, PipeWire included), PortAudio elsewhere and on Windows, and a layer without
// devices when neither can be started. Never null.
std::unique_ptr<WaveOutDriver> CreateSystemWaveOutDriver();

}  // namespace tonquelle
