#pragma once

#include <cstdint>

namespace tonquelle {

// Why a driver refused to open a device, so that the start error can say it.
enum class WaveRefusalKind : std::uint32_t {
    None,
    NoServer,           // the sound system did not answer
    NoDevice,           // no device with that id (any more)
    MissingSpeakers,    // the device lacks speakers of the mask: MissingSpeakers
    TooManyChannels,    // more channels than the device has: DeviceChannels
    UnsupportedFormat,  // rate, resolution or channel count the device does not take
};

struct WaveRefusal {
    WaveRefusalKind Kind = WaveRefusalKind::None;
    std::uint32_t MissingSpeakers = 0;  // ChannelMask bits the device has no speaker for
    std::int32_t DeviceChannels = 0;    // the channels the device has

    friend bool operator==(const WaveRefusal&, const WaveRefusal&) = default;
};

}  // namespace tonquelle
