#include "audio/VirtualWaveOut.h"

#include <array>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <utility>

namespace tonquelle {

// Everything the driver and its open device share. Every field is guarded by `mutex`; it is
// written and read by the test's threads, the engine's threads and the device thread.
struct VirtualWaveOutState {
    explicit VirtualWaveOutState(VirtualClock clockKind) : clock(clockKind) {}

    mutable std::mutex mutex;
    // Signalled when a buffer is queued or played, on reset and on close.
    std::condition_variable changed;
    const VirtualClock clock;

    std::vector<WaveOutDeviceInfo> devices{{-1, "Virtuelles Standardgerät"},
                                           {0, "Virtuelles Gerät 1"}};
    std::array<WaveResult, VirtualCallCount> failures{};
    std::array<std::chrono::milliseconds, VirtualCallCount> delays{};
    std::array<std::int32_t, VirtualCallCount> calls{};

    std::vector<std::uint8_t> played;
    std::int32_t playedBuffers = 0;
    std::int32_t resetReturned = 0;
    std::optional<WaveFormat> lastFormat;
    std::optional<std::int32_t> lastDeviceId;
    std::uint32_t lastBufferBytes = 0;
    WaveRefusal refusal;
    std::uint64_t dropouts = 0;
    std::vector<std::string> channelNames;

    // The open device, if any, and whether it was lost (it plays nothing more).
    bool open = false;
    bool lost = false;
    bool closing = false;  // tells the device thread to end
    WaveDoneSink* sink = nullptr;
    WaveFormat format;
    std::deque<WaveHeader*> queue;
    std::int32_t prepared = 0;

    // Counts the call, then sleeps for the call's delay (without the lock) and returns the
    // result the test asked for.
    WaveResult BeginCall(VirtualCall call) {
        const auto index = static_cast<std::size_t>(call);
        std::chrono::milliseconds delay;
        WaveResult result;
        {
            std::lock_guard lock(mutex);
            ++calls[index];
            delay = delays[index];
            result = failures[index];
        }
        if (delay.count() > 0) {
            std::this_thread::sleep_for(delay);
        }
        return result;
    }

    // Hands the oldest queued buffer back as done; caller holds `mutex`. The sink is called
    // under the lock so that no notification can follow a completed Close.
    void ReturnFront(bool playedToEnd) {
        WaveHeader* header = queue.front();
        queue.pop_front();
        if (playedToEnd) {
            played.insert(played.end(), header->Data, header->Data + header->BufferLength);
            ++playedBuffers;
        } else {
            ++resetReturned;
        }
        header->Flags = (header->Flags & ~WaveHeaderInQueue) | WaveHeaderDone;
        sink->BufferDone(header);
        changed.notify_all();
    }
};

namespace {

bool FormatPlayable(const WaveFormat& format) {
    const bool resolutionOk = format.BitsPerSample == 8 || format.BitsPerSample == 16 ||
                              format.BitsPerSample == 24 || format.BitsPerSample == 32;
    return resolutionOk && format.Channels >= 1 && format.Channels <= MaxChannels &&
           format.SamplesPerSec > 0 &&
           format.BlockAlign == format.Channels * (format.BitsPerSample / 8) &&
           format.AvgBytesPerSec == format.SamplesPerSec * format.BlockAlign;
}

// The playing time of a buffer at the open format.
std::chrono::steady_clock::duration DurationOf(const WaveHeader& header, const WaveFormat& format) {
    const auto micros = std::int64_t{header.BufferLength} * 1'000'000 / format.AvgBytesPerSec;
    return std::chrono::microseconds(micros);
}

class VirtualWaveOut final : public WaveOut {
  public:
    explicit VirtualWaveOut(std::shared_ptr<VirtualWaveOutState> state) : state_(std::move(state)) {
        if (state_->clock == VirtualClock::RealTime) {
            player_ = std::thread([this] { PlayInRealTime(); });
        }
    }

    ~VirtualWaveOut() override {
        // A device dropped without Close: stop playing silently.
        if (open_) {
            std::lock_guard lock(state_->mutex);
            state_->queue.clear();
            ShutDownLocked();
        }
        if (player_.joinable()) {
            player_.join();
        }
    }

    WaveResult Prepare(WaveHeader& header) override {
        if (const WaveResult failure = state_->BeginCall(VirtualCall::Prepare)) {
            return failure;
        }
        std::lock_guard lock(state_->mutex);
        if ((header.Flags & WaveHeaderPrepared) == 0) {
            header.Flags |= WaveHeaderPrepared;
            ++state_->prepared;
        }
        return WaveOk;
    }

    WaveResult Unprepare(WaveHeader& header) override {
        if (const WaveResult failure = state_->BeginCall(VirtualCall::Unprepare)) {
            return failure;
        }
        std::lock_guard lock(state_->mutex);
        if ((header.Flags & WaveHeaderInQueue) != 0) {
            return WaveStillPlaying;
        }
        if ((header.Flags & WaveHeaderPrepared) != 0) {
            header.Flags &= ~WaveHeaderPrepared;
            --state_->prepared;
        }
        return WaveOk;
    }

    WaveResult Write(WaveHeader& header) override {
        if (const WaveResult failure = state_->BeginCall(VirtualCall::Write)) {
            return failure;
        }
        std::lock_guard lock(state_->mutex);
        if ((header.Flags & WaveHeaderPrepared) == 0) {
            return WaveUnprepared;
        }
        if ((header.Flags & WaveHeaderInQueue) != 0) {
            return WaveStillPlaying;
        }
        header.Flags = (header.Flags & ~WaveHeaderDone) | WaveHeaderInQueue;
        state_->queue.push_back(&header);
        state_->changed.notify_all();
        return WaveOk;
    }

    WaveResult Reset() override {
        if (const WaveResult failure = state_->BeginCall(VirtualCall::Reset)) {
            return failure;
        }
        std::lock_guard lock(state_->mutex);
        while (!state_->queue.empty()) {
            state_->ReturnFront(false);
        }
        return WaveOk;
    }

    std::uint64_t Dropouts() const override {
        std::lock_guard lock(state_->mutex);
        return state_->dropouts;
    }

    std::vector<std::string> ChannelNames() const override {
        std::lock_guard lock(state_->mutex);
        return state_->channelNames;
    }

    WaveResult Close() override {
        if (const WaveResult failure = state_->BeginCall(VirtualCall::Close)) {
            return failure;
        }
        {
            std::lock_guard lock(state_->mutex);
            if (!state_->queue.empty()) {
                return WaveStillPlaying;
            }
            ShutDownLocked();
        }
        if (player_.joinable()) {
            player_.join();
        }
        return WaveOk;
    }

  private:
    void ShutDownLocked() {
        open_ = false;
        state_->open = false;
        state_->closing = true;
        state_->sink = nullptr;
        state_->prepared = 0;
        state_->changed.notify_all();
    }

    // The device thread of the real-time clock: each queued buffer is played for its duration,
    // back to back, measured from when the queue last ran full.
    void PlayInRealTime() {
        using Clock = std::chrono::steady_clock;
        std::unique_lock lock(state_->mutex);
        bool playing = false;
        Clock::time_point bufferStart;
        while (!state_->closing) {
            if (state_->queue.empty() || state_->lost) {
                playing = false;
                state_->changed.wait(lock);
                continue;
            }
            if (!playing) {
                bufferStart = Clock::now();
                playing = true;
            }
            const auto due = bufferStart + DurationOf(*state_->queue.front(), state_->format);
            if (Clock::now() < due) {
                state_->changed.wait_until(lock, due);
                continue;
            }
            state_->ReturnFront(true);
            bufferStart = due;
        }
    }

    std::shared_ptr<VirtualWaveOutState> state_;
    // Written by Open's thread and by Close / the destructor; one thread at a time.
    bool open_ = true;
    std::thread player_;
};

}  // namespace

VirtualWaveOutDriver::VirtualWaveOutDriver(VirtualClock clock)
    : state_(std::make_shared<VirtualWaveOutState>(clock)) {}

VirtualWaveOutDriver::~VirtualWaveOutDriver() = default;

std::vector<WaveOutDeviceInfo> VirtualWaveOutDriver::ListDevices() {
    std::lock_guard lock(state_->mutex);
    return state_->devices;
}

WaveResult VirtualWaveOutDriver::Open(std::unique_ptr<WaveOut>& device,
                                      const WaveOpenRequest& request, WaveDoneSink& sink,
                                      WaveRefusal& refusal) {
    const std::int32_t deviceId = request.DeviceId;
    const WaveFormat& format = request.Format;
    if (const WaveResult failure = state_->BeginCall(VirtualCall::Open)) {
        std::lock_guard lock(state_->mutex);
        refusal = state_->refusal;
        return failure;
    }
    {
        std::lock_guard lock(state_->mutex);
        bool known = false;
        for (const WaveOutDeviceInfo& info : state_->devices) {
            known = known || info.Id == deviceId;
        }
        if (!known) {
            refusal.Kind = WaveRefusalKind::NoDevice;
            return WaveBadDevice;
        }
        if (!FormatPlayable(format)) {
            refusal.Kind = WaveRefusalKind::UnsupportedFormat;
            return WaveBadFormat;
        }
        if (state_->open) {
            return WaveError;
        }
        state_->open = true;
        state_->lost = false;
        state_->closing = false;
        state_->sink = &sink;
        state_->format = format;
        state_->queue.clear();
        state_->prepared = 0;
        state_->lastFormat = format;
        state_->lastDeviceId = deviceId;
        state_->lastBufferBytes = request.BufferBytes;
    }
    device = std::make_unique<VirtualWaveOut>(state_);
    return WaveOk;
}

void VirtualWaveOutDriver::SetDevices(std::vector<WaveOutDeviceInfo> devices) {
    std::lock_guard lock(state_->mutex);
    state_->devices = std::move(devices);
}

void VirtualWaveOutDriver::SetFailure(VirtualCall call, WaveResult result) {
    std::lock_guard lock(state_->mutex);
    state_->failures[static_cast<std::size_t>(call)] = result;
}

void VirtualWaveOutDriver::SetRefusal(WaveRefusal refusal) {
    std::lock_guard lock(state_->mutex);
    state_->refusal = refusal;
}

void VirtualWaveOutDriver::SetDropouts(std::uint64_t dropouts) {
    std::lock_guard lock(state_->mutex);
    state_->dropouts = dropouts;
}

void VirtualWaveOutDriver::SetChannelNames(std::vector<std::string> names) {
    std::lock_guard lock(state_->mutex);
    state_->channelNames = std::move(names);
}

bool VirtualWaveOutDriver::LoseDevice(WaveLossReason reason) {
    std::lock_guard lock(state_->mutex);
    if (!state_->open || state_->lost) {
        return false;
    }
    state_->lost = true;
    // Under the lock, like the done notifications: none can follow a completed Close.
    state_->sink->DeviceLost(reason);
    state_->changed.notify_all();
    return true;
}

void VirtualWaveOutDriver::SetDelay(VirtualCall call, std::chrono::milliseconds delay) {
    std::lock_guard lock(state_->mutex);
    state_->delays[static_cast<std::size_t>(call)] = delay;
}

std::int32_t VirtualWaveOutDriver::CallCount(VirtualCall call) const {
    std::lock_guard lock(state_->mutex);
    return state_->calls[static_cast<std::size_t>(call)];
}

bool VirtualWaveOutDriver::PlayNextBuffer() {
    std::lock_guard lock(state_->mutex);
    if (!state_->open || state_->lost || state_->queue.empty()) {
        return false;
    }
    state_->ReturnFront(true);
    return true;
}

std::int32_t VirtualWaveOutDriver::PlayBuffers(std::int32_t count,
                                               std::chrono::milliseconds timeout) {
    std::int32_t playedNow = 0;
    std::unique_lock lock(state_->mutex);
    while (playedNow < count) {
        const bool ready = state_->changed.wait_for(lock, timeout, [this] {
            return state_->open && !state_->lost && !state_->queue.empty();
        });
        if (!ready) {
            break;
        }
        state_->ReturnFront(true);
        ++playedNow;
    }
    return playedNow;
}

std::vector<std::uint8_t> VirtualWaveOutDriver::PlayedBytes() const {
    std::lock_guard lock(state_->mutex);
    return state_->played;
}

std::size_t VirtualWaveOutDriver::PlayedByteCount() const {
    std::lock_guard lock(state_->mutex);
    return state_->played.size();
}

void VirtualWaveOutDriver::ClearPlayedBytes() {
    std::lock_guard lock(state_->mutex);
    state_->played.clear();
}

std::int32_t VirtualWaveOutDriver::PlayedBufferCount() const {
    std::lock_guard lock(state_->mutex);
    return state_->playedBuffers;
}

std::int32_t VirtualWaveOutDriver::ResetReturnedCount() const {
    std::lock_guard lock(state_->mutex);
    return state_->resetReturned;
}

bool VirtualWaveOutDriver::DeviceOpen() const {
    std::lock_guard lock(state_->mutex);
    return state_->open;
}

std::size_t VirtualWaveOutDriver::QueuedBuffers() const {
    std::lock_guard lock(state_->mutex);
    return state_->queue.size();
}

std::int32_t VirtualWaveOutDriver::PreparedHeaders() const {
    std::lock_guard lock(state_->mutex);
    return state_->prepared;
}

std::optional<WaveFormat> VirtualWaveOutDriver::LastFormat() const {
    std::lock_guard lock(state_->mutex);
    return state_->lastFormat;
}

std::optional<std::int32_t> VirtualWaveOutDriver::LastDeviceId() const {
    std::lock_guard lock(state_->mutex);
    return state_->lastDeviceId;
}

std::uint32_t VirtualWaveOutDriver::LastBufferBytes() const {
    std::lock_guard lock(state_->mutex);
    return state_->lastBufferBytes;
}

}  // namespace tonquelle
