#include "audio/DeviceRules.h"

#include <algorithm>
#include <bit>
#include <cstring>

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

FrameSpread SpreadOf(const WaveFormat& format, std::uint32_t deviceMask,
                     std::uint32_t deviceBytesPerSample) {
    const std::uint32_t bytesPerSample = format.BitsPerSample / 8u;
    FrameSpread spread{
        .BytesPerSample = bytesPerSample,
        .DeviceBytesPerSample = deviceBytesPerSample != 0 ? deviceBytesPerSample : bytesPerSample,
        .StreamChannels = format.Channels,
        .DeviceChannels = static_cast<std::uint32_t>(std::popcount(deviceMask)),
        .Silence = SilenceByte(format)};
    std::uint32_t k = 0;
    for (std::uint32_t bit = 0; bit < 32 && k < spread.StreamChannels; ++bit) {
        if ((format.ChannelMask >> bit & 1u) != 0) {
            // The device channels before this speaker: its speakers of lower bits.
            spread.Slot[k] =
                static_cast<std::uint8_t>(std::popcount(deviceMask & ((1u << bit) - 1)));
            spread.Identity = spread.Identity && spread.Slot[k] == k;
            ++k;
        }
    }
    spread.Identity = spread.Identity && spread.DeviceChannels == spread.StreamChannels &&
                      spread.DeviceBytesPerSample == spread.BytesPerSample;
    return spread;
}

void SpreadFrames(const FrameSpread& spread, const std::uint8_t* in, std::uint8_t* out,
                  std::size_t frames) {
    const std::size_t sample = spread.BytesPerSample;
    if (spread.Identity) {
        std::memcpy(out, in, frames * spread.StreamChannels * sample);
        return;
    }
    const std::size_t deviceSample = spread.DeviceBytesPerSample;
    const std::size_t deviceFrame = spread.DeviceChannels * deviceSample;
    // Little-endian: the stream's bytes are the upper ones of a wider sample, zeros below.
    const std::size_t below = deviceSample - sample;
    std::memset(out, spread.Silence, frames * deviceFrame);
    for (std::size_t frame = 0; frame < frames; ++frame) {
        for (std::uint32_t k = 0; k < spread.StreamChannels; ++k) {
            std::uint8_t* const place = out + spread.Slot[k] * deviceSample;
            std::memset(place, 0, below);
            std::memcpy(place + below, in + k * sample, sample);
        }
        in += spread.StreamChannels * sample;
        out += deviceFrame;
    }
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
    // Entries that still read the same (no detail, or the same one) are numbered from the
    // second on, as Windows numbers devices of one name.
    std::vector<std::string> numbered = names;
    for (std::size_t i = 0; i < names.size(); ++i) {
        const auto earlier =
            std::count(names.begin(), names.begin() + static_cast<long>(i), names[i]);
        if (earlier > 0) {
            numbered[i] += " (" + std::to_string(earlier + 1) + ")";
        }
    }
    return numbered;
}

}  // namespace tonquelle
