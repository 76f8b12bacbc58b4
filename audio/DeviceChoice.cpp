#include "audio/DeviceChoice.h"

#include <algorithm>

namespace tonquelle {

std::int32_t StoredDeviceId(const std::vector<WaveOutDeviceInfo>& devices,
                            const OutputConfig& config) {
    if (!config.OutputDeviceName.empty()) {
        const auto named = std::find_if(devices.begin(), devices.end(), [&](const auto& device) {
            return device.Id >= 0 && device.Name == config.OutputDeviceName;
        });
        if (named != devices.end()) {
            return named->Id;
        }
    }
    return config.OutputDevice;
}

}  // namespace tonquelle
