#pragma once

#include <memory>

#include "audio/WaveOut.h"

namespace tonquelle {

// The PulseAudio device layer (PipeWire serves the same protocol). Its devices are the server's
// sinks, -1 being the default sink. A stream's channel map follows the format's ChannelMask, so
// channel k sounds on the speaker of the k-th set bit, and nothing is remixed; a mask naming a
// speaker the sink does not have is refused at open. Null when no server answers.
std::unique_ptr<WaveOutDriver> CreatePulseWaveOutDriver();

}  // namespace tonquelle
