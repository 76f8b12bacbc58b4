#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "audio/WaveOut.h"

namespace tonquelle {

// Rules that every real device layer applies in the same way.

// Speaker bits a channel mask may use (the 18 named positions).
inline constexpr std::uint32_t KnownSpeakerBits = (1u << 18) - 1;

// True when `format` is integer PCM the way the engine announces it: 8, 16, 24 or 32 valid bits
// of as many stored bits, consistent block alignment and byte rate, and a channel mask naming
// exactly one known speaker per channel. Anything else is refused at open.
bool IsPlainPcmFormat(const WaveFormat& format);

// Byte value of silence: 0x80 for unsigned 8-bit samples, else 0.
std::uint8_t SilenceByte(const WaveFormat& format);

// The device list's entry for the system's default output (id -1): "Standardgerät", followed by
// the name of the device it stands for when that is known.
std::string DefaultDeviceLabel(const std::string& deviceName);

// Header bookkeeping of Prepare, Unprepare and Write. Unpreparing a header that was never
// prepared succeeds; a header still queued gives WaveStillPlaying.
WaveResult PrepareHeader(WaveHeader& header);
WaveResult UnprepareHeader(WaveHeader& header);
// Whether `header` may be written to a device with `blockAlign` bytes per frame: prepared, not
// queued, with data of whole frames. On success it is marked queued and not done.
WaveResult AcceptForWrite(WaveHeader& header, std::uint32_t blockAlign);

// A driver's Open: refuses a format that is not plain PCM, then constructs a `Device` from the
// format and the sink and opens it with `deviceId` (its Open(std::int32_t)). `device` receives
// it only on success; a failed device is destroyed again.
template <typename Device>
WaveResult OpenCheckedDevice(std::unique_ptr<WaveOut>& device, std::int32_t deviceId,
                             const WaveFormat& format, WaveDoneSink& sink) {
    if (!IsPlainPcmFormat(format)) {
        return WaveBadFormat;
    }
    auto opened = std::make_unique<Device>(format, sink);
    const WaveResult result = opened->Open(deviceId);
    if (result == WaveOk) {
        device = std::move(opened);
    }
    return result;
}

}  // namespace tonquelle
