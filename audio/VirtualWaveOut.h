#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "audio/WaveOut.h"

namespace tonquelle {

// The calls of the device layer a test can make fail or slow down.
enum class VirtualCall { Open, Prepare, Unprepare, Write, Reset, Close };
inline constexpr std::size_t VirtualCallCount = 6;

// How a virtual device consumes its queued buffers.
enum class VirtualClock {
    Manual,    // only when the test calls PlayNextBuffer / PlayBuffers
    RealTime,  // a device thread plays each buffer for its duration, like a sound card
};

struct VirtualWaveOutState;

// A device layer without sound hardware, for tests: its devices keep the WaveOut contract
// (buffers in write order, one done notification per buffer, Reset returns every queued
// buffer, Close refused while buffers are queued), record every byte they play, and can be told
// to fail or to be slow at each call. One device may be open at a time, as on a sound card
// opened exclusively. All methods may be called from any thread.
class VirtualWaveOutDriver : public WaveOutDriver {
  public:
    explicit VirtualWaveOutDriver(VirtualClock clock = VirtualClock::Manual);
    ~VirtualWaveOutDriver() override;

    std::vector<WaveOutDeviceInfo> ListDevices() override;
    // Fails with WaveBadDevice for an id not in the device list, with WaveBadFormat for a format
    // no PCM device takes (resolution other than 8/16/24/32, no channels or more than 8, no
    // rate, inconsistent block alignment), with WaveError while another device is open.
    // A failure set with SetFailure(Open) reports the refusal set with SetRefusal.
    WaveResult Open(std::unique_ptr<WaveOut>& device, const WaveOpenRequest& request,
                    WaveDoneSink& sink, WaveRefusal& refusal) override;

    // The device list; default: -1 "Virtuelles Standardgerät", 0 "Virtuelles Gerät 1".
    void SetDevices(std::vector<WaveOutDeviceInfo> devices);

    // From now on every `call` returns `result` (WaveOk lets it succeed again).
    void SetFailure(VirtualCall call, WaveResult result = WaveError);
    // What a failed Open reports as its reason from now on.
    void SetRefusal(WaveRefusal refusal);
    // The dropouts the devices report, and the names of their channels (empty: the speakers).
    void SetDropouts(std::uint64_t dropouts);
    void SetChannelNames(std::vector<std::string> names);
    // The open device stops playing as if its server had gone: it tells its sink once, keeps
    // its queued buffers until Reset and plays nothing more. False when no device is open.
    bool LoseDevice(WaveLossReason reason);
    // From now on every `call` first sleeps for `delay`.
    void SetDelay(VirtualCall call, std::chrono::milliseconds delay);
    // How many times `call` was made, failed ones included.
    std::int32_t CallCount(VirtualCall call) const;

    // Manual clock: the open device plays the oldest queued buffer completely (recording its
    // bytes) and notifies the sink from the calling thread. False when nothing is queued.
    bool PlayNextBuffer();
    // Plays up to `count` buffers, each as soon as one is queued, waiting at most `timeout` for
    // each to arrive (the stream thread requeues asynchronously). Returns how many were played.
    std::int32_t PlayBuffers(std::int32_t count,
                             std::chrono::milliseconds timeout = std::chrono::seconds(5));

    // Every byte played so far by this driver's devices, in playing order.
    std::vector<std::uint8_t> PlayedBytes() const;
    std::size_t PlayedByteCount() const;
    void ClearPlayedBytes();
    // Played buffers, and buffers handed back by Reset without being played.
    std::int32_t PlayedBufferCount() const;
    std::int32_t ResetReturnedCount() const;

    // Whether a device is open now, and how many buffers it has queued.
    bool DeviceOpen() const;
    std::size_t QueuedBuffers() const;
    // Headers currently prepared on the open device (0 when none is open).
    std::int32_t PreparedHeaders() const;
    // The format, id and buffer size of the last successful Open.
    std::optional<WaveFormat> LastFormat() const;
    std::optional<std::int32_t> LastDeviceId() const;
    std::uint32_t LastBufferBytes() const;

  private:
    std::shared_ptr<VirtualWaveOutState> state_;
};

}  // namespace tonquelle
