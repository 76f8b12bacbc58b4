#include "audio/PortAudioWaveOut.h"

#include <portaudio.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <vector>

#ifdef __linux__
#include <pa_linux_alsa.h>
#endif
#ifdef _WIN32
#include <pa_win_wasapi.h>
#include <pa_win_wmme.h>
#include <windows.h>
#endif

#include "audio/DeviceRules.h"
#include "audio/DoneNotifier.h"
#include "audio/QuietStderr.h"
#include "audio/RealtimeScheduling.h"
#include "audio/SpscRing.h"

namespace tonquelle {

namespace {

// Keeps PortAudio initialised while an object lives (PortAudio counts the calls).
class PortAudioSession {
  public:
    PortAudioSession() {
        const QuietStderr quiet;
        ok_ = Pa_Initialize() == paNoError;
    }
    ~PortAudioSession() {
        if (ok_) {
            Pa_Terminate();
        }
    }
    PortAudioSession(const PortAudioSession&) = delete;
    PortAudioSession& operator=(const PortAudioSession&) = delete;
    bool Ok() const { return ok_; }

  private:
    bool ok_ = false;
};

PaSampleFormat SampleFormatOf(const WaveFormat& format) {
    switch (format.BitsPerSample) {
        case 8:
            return paUInt8;
        case 16:
            return paInt16;
        case 24:
            return paInt24;
        default:
            return paInt32;
    }
}

// The devices with output channels, in PortAudio's order: device id i is entry i.
std::vector<PaDeviceIndex> OutputDevices() {
    std::vector<PaDeviceIndex> devices;
    const PaDeviceIndex count = Pa_GetDeviceCount();
    for (PaDeviceIndex index = 0; index < count; ++index) {
        const PaDeviceInfo* info = Pa_GetDeviceInfo(index);
        if (info != nullptr && info->maxOutputChannels > 0) {
            devices.push_back(index);
        }
    }
    return devices;
}

PaDeviceIndex DeviceIndexOf(std::int32_t deviceId) {
    if (deviceId == -1) {
        return Pa_GetDefaultOutputDevice();
    }
    const std::vector<PaDeviceIndex> devices = OutputDevices();
    if (deviceId < 0 || static_cast<std::size_t>(deviceId) >= devices.size()) {
        return paNoDevice;
    }
    return devices[static_cast<std::size_t>(deviceId)];
}

#ifdef _WIN32
// The speaker mask for the host APIs that take one; the record must outlive the open call.
union HostStreamInfo {
    PaWasapiStreamInfo Wasapi;
    PaWinMmeStreamInfo Mme;
};

void* FillHostStreamInfo(HostStreamInfo& info, PaDeviceIndex device, std::uint32_t mask) {
    const PaHostApiInfo* api = Pa_GetHostApiInfo(Pa_GetDeviceInfo(device)->hostApi);
    if (api == nullptr) {
        return nullptr;
    }
    std::memset(&info, 0, sizeof info);
    if (api->type == paWASAPI) {
        info.Wasapi.size = sizeof(PaWasapiStreamInfo);
        info.Wasapi.hostApiType = paWASAPI;
        info.Wasapi.version = 1;
        info.Wasapi.flags = paWinWasapiUseChannelMask;
        info.Wasapi.channelMask = mask;
        return &info.Wasapi;
    }
    if (api->type == paMME) {
        info.Mme.size = sizeof(PaWinMmeStreamInfo);
        info.Mme.hostApiType = paMME;
        info.Mme.version = 1;
        info.Mme.flags = paWinMmeUseChannelMask;
        info.Mme.channelMask = mask;
        return &info.Mme;
    }
    return nullptr;
}
#endif

// A stream whose callback has not run for this long while it should play is lost: PortAudio
// stops calling back after a host error (ALSA's device gone, its sound server killed) and does
// not always tell otherwise.
constexpr std::chrono::milliseconds SilentCallbackLimit{1000};

// One open callback stream. Write hands buffers to the callback through a lock-free queue; the
// callback copies them into PortAudio's buffer and hands each finished one to the notifier.
// The stream starts at the first Write and stops at Reset.
class PortAudioWaveOut final : public WaveOut {
  public:
    PortAudioWaveOut(const WaveFormat& format, WaveDoneSink& sink)
        : format_(format),
          silence_(SilenceByte(format)),
          notifier_(sink, RequestRealtimeScheduling) {}
    ~PortAudioWaveOut() override;

    WaveResult Open(const WaveOpenRequest& request, WaveRefusal& refusal);

    WaveResult Prepare(WaveHeader& header) override { return PrepareHeader(header); }
    WaveResult Unprepare(WaveHeader& header) override { return UnprepareHeader(header); }
    WaveResult Write(WaveHeader& header) override;
    WaveResult Reset() override;
    WaveResult Close() override;

    std::uint64_t Dropouts() const override { return Underruns(); }
    std::uint64_t Underruns() const { return underruns_.load(std::memory_order_relaxed); }

  private:
    static int OnPlay(const void* input, void* output, unsigned long frames,
                      const PaStreamCallbackTimeInfo* time, PaStreamCallbackFlags status,
                      void* self);
    static void OnFinished(void* self);
    void Play(std::uint8_t* out, std::size_t bytes);  // callback thread
    void StopStream();                                // caller thread

    const WaveFormat format_;
    const std::uint8_t silence_;
    PortAudioSession session_;
    DoneNotifier notifier_;
    // Opened by Open, closed by Close or the destructor; caller thread.
    PaStream* stream_ = nullptr;
    // Whether the stream runs; caller thread only.
    bool started_ = false;
    // Buffers written, not yet taken by the callback: pushed by Write (caller thread), popped by
    // the callback, or by Reset once the stream is stopped.
    SpscRing<WaveHeader*, DoneNotifier::Capacity> queued_;
    // The buffer being played and the bytes of it already copied; the callback's own, and
    // Reset's while the stream is stopped.
    WaveHeader* current_ = nullptr;
    std::uint32_t currentOffset_ = 0;
    // Whether the callback has played a buffer since the stream started; the callback's own,
    // cleared by Write before the stream starts.
    bool playedSinceStart_ = false;
    // Buffers ever written (caller thread only) and ever finished or returned (the callback
    // while playing, Reset while stopped; read by the caller thread).
    std::uint64_t written_ = 0;
    std::atomic<std::uint64_t> finished_{0};
    // Callbacks that found the queue empty while playing; written by the callback, read by any.
    std::atomic<std::uint64_t> underruns_{0};
    // Callbacks ever made: written by the callback, watched by the notifier thread.
    std::atomic<std::uint64_t> callbacks_{0};
    // Whether the stream should be playing: set by Write when it starts the stream, cleared by
    // StopStream before it stops it (caller thread); read by OnFinished, which tells a stop of
    // ours from a host error.
    std::atomic<bool> shouldPlay_{false};
};

PortAudioWaveOut::~PortAudioWaveOut() {
    if (stream_ != nullptr) {
        StopStream();
        Pa_CloseStream(stream_);
    }
}

WaveResult PortAudioWaveOut::Open(const WaveOpenRequest& request, WaveRefusal& refusal) {
    if (!session_.Ok()) {
        refusal.Kind = WaveRefusalKind::NoServer;
        return WaveError;
    }
    const PaDeviceIndex device = DeviceIndexOf(request.DeviceId);
    const PaDeviceInfo* info = device == paNoDevice ? nullptr : Pa_GetDeviceInfo(device);
    if (info == nullptr) {
        refusal.Kind = WaveRefusalKind::NoDevice;
        return WaveBadDevice;
    }
    if (format_.Channels > info->maxOutputChannels) {
        refusal = {.Kind = WaveRefusalKind::TooManyChannels,
                   .DeviceChannels = info->maxOutputChannels};
        return WaveBadFormat;
    }
    PaStreamParameters output{};
    output.device = device;
    output.channelCount = format_.Channels;
    output.sampleFormat = SampleFormatOf(format_);
    output.suggestedLatency = info->defaultHighOutputLatency;
#ifdef _WIN32
    HostStreamInfo hostInfo;
    output.hostApiSpecificStreamInfo = FillHostStreamInfo(hostInfo, device, format_.ChannelMask);
#endif
    const QuietStderr quiet;
    if (Pa_IsFormatSupported(nullptr, &output, format_.SamplesPerSec) != paFormatIsSupported ||
        Pa_OpenStream(&stream_, nullptr, &output, format_.SamplesPerSec,
                      paFramesPerBufferUnspecified, paClipOff | paDitherOff, OnPlay,
                      this) != paNoError) {
        stream_ = nullptr;
        refusal.Kind = WaveRefusalKind::UnsupportedFormat;
        return WaveBadFormat;
    }
    Pa_SetStreamFinishedCallback(stream_, OnFinished);
#ifdef __linux__
    if (Pa_GetHostApiInfo(info->hostApi)->type == paALSA) {
        PaAlsa_EnableRealtimeScheduling(stream_, 1);  // the callback thread, where granted
    }
#endif
    notifier_.WatchHeartbeat(callbacks_, SilentCallbackLimit);
    return WaveOk;
}

WaveResult PortAudioWaveOut::Write(WaveHeader& header) {
    if (stream_ == nullptr) {
        return WaveError;
    }
    if (written_ - notifier_.Delivered() >= DoneNotifier::Capacity) {
        return WaveError;
    }
    const WaveResult accepted = AcceptForWrite(header, format_.BlockAlign);
    if (accepted != WaveOk) {
        return accepted;
    }
    queued_.Push(&header);  // cannot overflow: at most Capacity buffers are in flight
    ++written_;
    if (!started_) {
        playedSinceStart_ = false;
        shouldPlay_.store(true, std::memory_order_release);
        if (Pa_StartStream(stream_) != paNoError) {
            shouldPlay_.store(false, std::memory_order_release);
            return WaveError;  // stays queued; Reset returns it
        }
        started_ = true;
        notifier_.SetWatching(true);
    }
    return WaveOk;
}

WaveResult PortAudioWaveOut::Reset() {
    if (stream_ == nullptr) {
        return WaveError;
    }
    StopStream();
    // The callback no longer runs: its queue end and current buffer are ours now.
    std::vector<WaveHeader*> returned;
    if (current_ != nullptr) {
        returned.push_back(current_);
        current_ = nullptr;
        currentOffset_ = 0;
    }
    while (const auto header = queued_.Pop()) {
        returned.push_back(*header);
    }
    finished_.fetch_add(returned.size(), std::memory_order_release);
    notifier_.Flush(returned);
    return WaveOk;
}

WaveResult PortAudioWaveOut::Close() {
    if (stream_ == nullptr) {
        return WaveError;
    }
    if (written_ != finished_.load(std::memory_order_acquire)) {
        return WaveStillPlaying;
    }
    StopStream();
    if (Pa_CloseStream(stream_) != paNoError) {
        return WaveError;
    }
    stream_ = nullptr;
    notifier_.Stop();
    return WaveOk;
}

void PortAudioWaveOut::StopStream() {
    notifier_.SetWatching(false);
    shouldPlay_.store(false, std::memory_order_release);
    if (started_) {
        Pa_AbortStream(stream_);
        started_ = false;
    }
}

int PortAudioWaveOut::OnPlay(const void*, void* output, unsigned long frames,
                             const PaStreamCallbackTimeInfo*, PaStreamCallbackFlags, void* self) {
    auto* device = static_cast<PortAudioWaveOut*>(self);
    device->callbacks_.fetch_add(1, std::memory_order_relaxed);
    device->Play(static_cast<std::uint8_t*>(output), frames * device->format_.BlockAlign);
    return paContinue;
}

// Runs when the stream stops: after our own Pa_AbortStream (the watch is off then, and the
// notifier ignores a loss reported after Stop) or on a host error.
void PortAudioWaveOut::OnFinished(void* self) {
    auto* device = static_cast<PortAudioWaveOut*>(self);
    if (device->shouldPlay_.load(std::memory_order_acquire)) {
        device->notifier_.ReportLost(WaveLossReason::StreamFailed);
    }
}

// Real-time: copies, posts, counts; no lock, no allocation, no wait.
void PortAudioWaveOut::Play(std::uint8_t* out, std::size_t bytes) {
    while (bytes > 0) {
        if (current_ == nullptr) {
            const auto next = queued_.Pop();
            if (!next) {
                std::memset(out, silence_, bytes);
                if (playedSinceStart_) {
                    underruns_.fetch_add(1, std::memory_order_relaxed);
                }
                return;
            }
            current_ = *next;
            currentOffset_ = 0;
        }
        const std::size_t count =
            std::min<std::size_t>(bytes, current_->BufferLength - currentOffset_);
        std::memcpy(out, current_->Data + currentOffset_, count);
        out += count;
        bytes -= count;
        currentOffset_ += static_cast<std::uint32_t>(count);
        if (currentOffset_ == current_->BufferLength) {
            finished_.fetch_add(1, std::memory_order_release);
            notifier_.Post(current_);
            current_ = nullptr;
            playedSinceStart_ = true;
        }
    }
}

class PortAudioWaveOutDriver final : public WaveOutDriver {
  public:
    bool Ok() const { return session_.Ok(); }
    std::vector<WaveOutDeviceInfo> ListDevices() override;
    WaveResult Open(std::unique_ptr<WaveOut>& device, const WaveOpenRequest& request,
                    WaveDoneSink& sink, WaveRefusal& refusal) override;
    void PromoteStreamThread() override { RequestRealtimeScheduling(); }

  private:
    PortAudioSession session_;
};

std::vector<WaveOutDeviceInfo> PortAudioWaveOutDriver::ListDevices() {
    std::vector<WaveOutDeviceInfo> list;
    if (const PaDeviceInfo* info = Pa_GetDeviceInfo(Pa_GetDefaultOutputDevice())) {
        list.push_back({-1, DefaultDeviceLabel(info->name)});
    }
    // The same device can appear under several host APIs (ALSA and JACK, or MME, DirectSound
    // and WASAPI on Windows): the API tells them apart.
    std::vector<NamedDevice> named;
    for (const PaDeviceIndex index : OutputDevices()) {
        const PaDeviceInfo* info = Pa_GetDeviceInfo(index);
        const PaHostApiInfo* api = Pa_GetHostApiInfo(info->hostApi);
        named.push_back({info->name, api != nullptr ? api->name : ""});
    }
    const std::vector<std::string> names = DistinctNames(named);
    for (std::size_t i = 0; i < names.size(); ++i) {
        list.push_back({static_cast<std::int32_t>(i), names[i]});
    }
    return list;
}

WaveResult PortAudioWaveOutDriver::Open(std::unique_ptr<WaveOut>& device,
                                        const WaveOpenRequest& request, WaveDoneSink& sink,
                                        WaveRefusal& refusal) {
    return OpenCheckedDevice<PortAudioWaveOut>(device, request, sink, refusal);
}

}  // namespace

std::unique_ptr<WaveOutDriver> CreatePortAudioWaveOutDriver() {
    auto driver = std::make_unique<PortAudioWaveOutDriver>();
    if (!driver->Ok()) {
        return nullptr;
    }
    return driver;
}

std::uint64_t PortAudioUnderruns(const WaveOut& device) {
    const auto* portAudio = dynamic_cast<const PortAudioWaveOut*>(&device);
    return portAudio != nullptr ? portAudio->Underruns() : 0;
}

}  // namespace tonquelle
