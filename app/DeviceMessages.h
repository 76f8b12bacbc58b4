#pragma once

#include <QString>

#include "audio/WaveOut.h"
#include "records/OutputConfig.h"
#include "records/WaveRefusal.h"

namespace tonquelle {

// The German sentence that says why the device refused `config`, for the second line of the
// start error; empty when the device did not say. Speakers are named as the device dialog
// names them.
QString RefusalText(const WaveRefusal& refusal, const OutputConfig& config);

// "1 Kanal", "2 Kanäle".
QString ChannelCountText(std::int32_t count);

// The message shown when the running generator lost its device for good, with the reason.
QString DeviceLostText(WaveLossReason reason);

}  // namespace tonquelle
