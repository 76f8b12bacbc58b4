#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "records/OutputStream.h"
#include "records/WaveRefusal.h"

namespace tonquelle {

// Result of a device call: 0 is success, anything else a failure. The engine only tells the two
// apart; the other values exist for diagnostics.
using WaveResult = std::int32_t;
inline constexpr WaveResult WaveOk = 0;
inline constexpr WaveResult WaveError = 1;          // unspecified failure
inline constexpr WaveResult WaveBadDevice = 2;      // no device with that id
inline constexpr WaveResult WaveBadFormat = 32;     // the device cannot take the format as it is
inline constexpr WaveResult WaveStillPlaying = 33;  // a header is still queued
inline constexpr WaveResult WaveUnprepared = 34;    // written without being prepared

// The format announced to a device: the members of a WAVE_FORMAT_EXTENSIBLE record. The
// sub-format is always integer PCM, at every resolution.
struct WaveFormat {
    std::uint16_t FormatTag = 0xFFFE;  // WAVE_FORMAT_EXTENSIBLE
    std::uint16_t Channels = 0;
    std::uint32_t SamplesPerSec = 0;
    std::uint32_t AvgBytesPerSec = 0;
    std::uint16_t BlockAlign = 0;
    std::uint16_t BitsPerSample = 0;
    std::uint16_t ExtraSize = 22;  // cbSize
    std::uint16_t ValidBitsPerSample = 0;
    std::uint32_t ChannelMask = 0;

    friend bool operator==(const WaveFormat&, const WaveFormat&) = default;
};

// The format of a configuration; 16-bit members take the low 16 bits of the configuration value.
WaveFormat WaveFormatOf(const OutputConfig& config);

// Header flags.
inline constexpr std::uint32_t WaveHeaderDone = 0x01;      // played, or returned by a reset
inline constexpr std::uint32_t WaveHeaderPrepared = 0x02;  // between Prepare and Unprepare
inline constexpr std::uint32_t WaveHeaderInQueue = 0x10;   // written, not yet returned

// A buffer handed to a device. The data block belongs to whoever made the header; the device
// only reads BufferLength bytes from Data between Write and the buffer's done notification.
struct WaveHeader {
    std::uint8_t* Data = nullptr;
    std::uint32_t BufferLength = 0;
    std::uint32_t Flags = 0;
};

// Why a running device stopped playing for good: its sound server went away, the device itself
// was removed (a sink unloaded, a USB interface unplugged), or the stream failed otherwise.
enum class WaveLossReason : std::uint32_t { ServerGone, DeviceRemoved, StreamFailed };

// Receives an open device's notifications. BufferDone: one per written buffer, in the order the
// buffers were written, each after the device has finished with the buffer. DeviceLost: at most
// once per device, after the done notifications of the buffers it still played, when the device
// can no longer play (its queued buffers come back by Reset as usual). A device calls both from
// a thread of its own or from Reset, never from a real-time audio callback, and never after
// Close has returned.
class WaveDoneSink {
  public:
    virtual void BufferDone(WaveHeader* header) = 0;
    virtual void DeviceLost(WaveLossReason reason) = 0;

  protected:
    ~WaveDoneSink() = default;
};

// One open output device. Buffers play in the order written, gap-free while the queue is not
// empty. All calls come from one thread at a time (the engine's stream thread or UI thread).
class WaveOut {
  public:
    virtual ~WaveOut() = default;
    virtual WaveResult Prepare(WaveHeader& header) = 0;
    // Unpreparing a header that was never prepared succeeds and changes nothing; a header still
    // queued gives WaveStillPlaying.
    virtual WaveResult Unprepare(WaveHeader& header) = 0;
    virtual WaveResult Write(WaveHeader& header) = 0;
    // Stops playing and returns every queued buffer as done (notifying the sink for each) before
    // it returns; the device stays open and can be written to again.
    virtual WaveResult Reset() = 0;
    // Closes the device; afterwards the sink is never called again. On failure the device stays
    // open.
    virtual WaveResult Close() = 0;

    // Gaps the device has played since it was opened (its queue ran dry, the server reported an
    // underflow). Any thread.
    virtual std::uint64_t Dropouts() const { return 0; }
    // The names of the device's channels that carry the stream's channels 0, 1, ... when they
    // are not the speakers of the format's mask (a sink of AUX channels or a mono sink); empty
    // when each channel sounds on the speaker of its mask bit.
    virtual std::vector<std::string> ChannelNames() const { return {}; }
};

// What the engine asks a driver to open.
struct WaveOpenRequest {
    std::int32_t DeviceId = -1;  // -1 = the system's default output, then 0..n-1
    WaveFormat Format;
    // The length of each buffer the engine will write: a device that buffers on its own (a
    // sound server) sizes that buffering after it.
    std::uint32_t BufferBytes = 0;
};

// An entry of the device list: the id passed to Open and the name the dialog shows.
struct WaveOutDeviceInfo {
    std::int32_t Id = -1;  // -1 = the system's default output, then 0..n-1
    std::string Name;

    friend bool operator==(const WaveOutDeviceInfo&, const WaveOutDeviceInfo&) = default;
};

// A device layer (PulseAudio, PortAudio, or the virtual device of the tests).
class WaveOutDriver {
  public:
    virtual ~WaveOutDriver() = default;
    // The output devices, beginning with id -1 for the system's default output.
    virtual std::vector<WaveOutDeviceInfo> ListDevices() = 0;
    // Opens device `request.DeviceId` with exactly its format (no conversion: a format the
    // device cannot take is refused). On success `device` holds the open device and the result
    // is WaveOk; on failure `refusal` says why where the driver knows. Called by one thread at a
    // time: the UI thread at a start, the stream thread while it reconnects a lost device.
    virtual WaveResult Open(std::unique_ptr<WaveOut>& device, const WaveOpenRequest& request,
                            WaveDoneSink& sink, WaveRefusal& refusal) = 0;
    // Called once by the engine's stream thread when it starts: a device layer asks the system
    // to schedule the calling thread in real time where that is granted, and leaves it as it is
    // otherwise.
    virtual void PromoteStreamThread() {}
};

}  // namespace tonquelle
