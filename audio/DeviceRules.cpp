#include "audio/DeviceRules.h"

#include <algorithm>
#include <bit>

namespace tonquelle {

bool IsPlainPcmFormat(const WaveFormat& format) {
    const std::uint32_t bits = format.BitsPerSample;
    if (format.FormatTag != 0xFFFE || format.ExtraSize != 22) {
        return false;
    }
    if (bits != 8 && bits != 16 && bits != 24 && bits != 32) {
        return false;
    }
    if (format.ValidBitsPerSample != bits || format.SamplesPerSec == 0 || format.Channels == 0) {
        return false;
    }
    if ((format.ChannelMask & ~KnownSpeakerBits) != 0 ||
        std::popcount(format.ChannelMask) != format.Channels) {
        return false;
    }
    const std::uint32_t blockAlign = format.Channels * (bits / 8);
    return format.BlockAlign == blockAlign &&
           format.AvgBytesPerSec == static_cast<std::uint64_t>(format.SamplesPerSec) * blockAlign;
}

std::uint8_t SilenceByte(const WaveFormat& format) {
    return format.BitsPerSample == 8 ? 0x80 : 0x00;
}

WaveResult PrepareHeader(WaveHeader& header) {
    header.Flags |= WaveHeaderPrepared;
    return WaveOk;
}

WaveResult UnprepareHeader(WaveHeader& header) {
    if ((header.Flags & WaveHeaderInQueue) != 0) {
        return WaveStillPlaying;
    }
    header.Flags &= ~WaveHeaderPrepared;
    return WaveOk;
}

WaveResult AcceptForWrite(WaveHeader& header, std::uint32_t blockAlign) {
    if ((header.Flags & WaveHeaderPrepared) == 0) {
        return WaveUnprepared;
    }
    if ((header.Flags & WaveHeaderInQueue) != 0) {
        return WaveStillPlaying;
    }
    if (header.Data == nullptr || header.BufferLength == 0 || blockAlign == 0 ||
        header.BufferLength % blockAlign != 0) {
        return WaveError;
    }
    header.Flags = (header.Flags & ~WaveHeaderDone) | WaveHeaderInQueue;
    return WaveOk;
}

std::string DefaultDeviceLabel(const std::string& deviceName) {
    return deviceName.empty() ? std::string("Standardgerät") : "Standardgerät (" + deviceName + ")";
}

std::vector<std::string> DistinctNames(const std::vector<NamedDevice>& devices) {
    std::vector<std::string> names;
    for (const NamedDevice& device : devices) {
        const auto sameName = std::count_if(devices.begin(), devices.end(), [&](const auto& other) {
            return other.Name == device.Name;
        });
        names.push_back(sameName > 1 && !device.Detail.empty()
                            ? device.Name + " (" + device.Detail + ")"
                            : device.Name);
    }
    return names;
}

}  // namespace tonquelle
