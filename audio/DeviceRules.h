#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

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
// format and the sink and opens it (its Open(request, refusal, more...)). `device` receives it
// only on success; a failed device is destroyed again.
template <typename Device, typename... More>
WaveResult OpenCheckedDevice(std::unique_ptr<WaveOut>& device, const WaveOpenRequest& request,
                             WaveDoneSink& sink, WaveRefusal& refusal, More&&... more) {
    if (!IsPlainPcmFormat(request.Format)) {
        refusal.Kind = WaveRefusalKind::UnsupportedFormat;
        return WaveBadFormat;
    }
    auto opened = std::make_unique<Device>(request.Format, sink);
    const WaveResult result = opened->Open(request, refusal, std::forward<More>(more)...);
    if (result == WaveOk) {
        device = std::move(opened);
    }
    return result;
}

// How a stream's frames are laid into a device's frames when the device takes frames of all its
// own speakers (Windows' shared-mode WASAPI mixes in the device's format, and a speaker the
// stream does not name must stay silent rather than be filled by the system's up-mixing).
// Stream channel k is the speaker of the k-th set bit of the stream's mask; it goes to that
// speaker's place among the set bits of the device's mask. The other places get silence. A
// device sample may be wider than the stream's (24-bit samples carried in 32 bits): the stream
// sample then fills its upper bytes, which is the same value in the wider format.
struct FrameSpread {
    std::uint32_t BytesPerSample = 0;  // the stream's
    std::uint32_t DeviceBytesPerSample = 0;
    std::uint32_t StreamChannels = 0;
    std::uint32_t DeviceChannels = 0;
    std::array<std::uint8_t, 32> Slot{};  // device channel of stream channel k
    std::uint8_t Silence = 0;
    bool Identity = true;  // device frames are the stream's frames
};

// The spread of `format` onto a device with the speakers `deviceMask`, which holds every speaker
// of the format's mask, in samples of `deviceBytesPerSample` (0: the format's). With the
// format's own mask and sample size it is the identity.
FrameSpread SpreadOf(const WaveFormat& format, std::uint32_t deviceMask,
                     std::uint32_t deviceBytesPerSample = 0);

// Writes `frames` device frames to `out` from as many stream frames at `in`. Real-time safe: no
// allocation, no lock.
void SpreadFrames(const FrameSpread& spread, const std::uint8_t* in, std::uint8_t* out,
                  std::size_t frames);

// The names of a device list, told apart: a name that two or more entries share gets each
// entry's detail in parentheses ("Null Output (tq_aux4)"); a name of its own stays as it is.
// Entries that read the same even so are numbered from the second on ("Null Output (2)").
struct NamedDevice {
    std::string Name;
    std::string Detail;  // a PulseAudio sink's name, PortAudio's host API; or none
};
std::vector<std::string> DistinctNames(const std::vector<NamedDevice>& devices);

}  // namespace tonquelle
