#pragma once

#include <cstdint>
#include <vector>

#include "audio/WaveOut.h"
#include "records/OutputConfig.h"

namespace tonquelle {

// The device id a stored configuration chooses in `devices`: the entry named OutputDeviceName
// where the list has one (its position may have changed since the name was stored), else the
// stored OutputDevice as it is, whether the list has that id or not.
std::int32_t StoredDeviceId(const std::vector<WaveOutDeviceInfo>& devices,
                            const OutputConfig& config);

}  // namespace tonquelle
