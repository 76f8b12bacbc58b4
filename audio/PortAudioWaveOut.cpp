#include "audio/PortAudioWaveOut.h"

#include <portaudio.h>

#include <algorithm>
#include <atomic>
#include <bit>
#include <chrono>
#include <cstring>
#include <vector>

#ifdef __linux__
#include <pa_linux_alsa.h>
#endif
#ifdef _WIN32
// PortAudio's Windows headers use the types of <windows.h> and <mmsystem.h> without including
// them: those two first, in this order.
#include <windows.h>

#include <mmsystem.h>

#include <ks.h>
#include <ksmedia.h>
#include <mmreg.h>

#include <pa_win_wasapi.h>
#include <pa_win_wmme.h>
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

// PortAudio's format of samples this many bytes wide: 8-bit unsigned, else signed.
PaSampleFormat SampleFormatOf(std::uint32_t bytesPerSample) {
    switch (bytesPerSample) {
        case 1:
            return paUInt8;
        case 2:
            return paInt16;
        case 3:
            return paInt24;
        default:
            return paInt32;
    }
}

// The host API whose devices the list shows, or -1 for all of them. Windows presents every
// device under each of its host APIs (MME, WASAPI, ...), in an order that changes between runs:
// there the list shows one, so that each device appears once: WASAPI, or MME where WASAPI has no
// output device. Elsewhere every API (ALSA, JACK, ...), the names told apart by it.
PaHostApiIndex ListedHostApi() {
#ifdef _WIN32
    for (const PaHostApiTypeId type : {paWASAPI, paMME}) {
        const PaHostApiIndex api = Pa_HostApiTypeIdToHostApiIndex(type);
        if (api >= 0 && Pa_GetHostApiInfo(api)->defaultOutputDevice != paNoDevice) {
            return api;
        }
    }
#endif
    return -1;
}

PaDeviceIndex DefaultOutputDevice() {
    const PaHostApiIndex api = ListedHostApi();
    return api >= 0 ? Pa_GetHostApiInfo(api)->defaultOutputDevice : Pa_GetDefaultOutputDevice();
}

// The listed devices with output channels, in PortAudio's order: device id i is entry i.
std::vector<PaDeviceIndex> OutputDevices() {
    const PaHostApiIndex api = ListedHostApi();
    std::vector<PaDeviceIndex> devices;
    const PaDeviceIndex count = Pa_GetDeviceCount();
    for (PaDeviceIndex index = 0; index < count; ++index) {
        const PaDeviceInfo* info = Pa_GetDeviceInfo(index);
        if (info != nullptr && info->maxOutputChannels > 0 && (api < 0 || info->hostApi == api)) {
            devices.push_back(index);
        }
    }
    return devices;
}

PaDeviceIndex DeviceIndexOf(std::int32_t deviceId) {
    if (deviceId == -1) {
        return DefaultOutputDevice();
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

// The speakers a device has: for WASAPI those of the format the device mixes in; MME names
// none, so those Windows gives a device of its channel count (the layouts of ksmedia.h, else
// the first speakers in mask order).
std::uint32_t DeviceSpeakers(PaDeviceIndex device, const PaDeviceInfo& info) {
    WAVEFORMATEXTENSIBLE mixFormat{};
    if (Pa_GetHostApiInfo(info.hostApi)->type == paWASAPI &&
        PaWasapi_GetDeviceDefaultFormat(&mixFormat, sizeof mixFormat, device) >=
            static_cast<int>(sizeof mixFormat) &&
        mixFormat.Format.wFormatTag == WAVE_FORMAT_EXTENSIBLE &&
        std::popcount(mixFormat.dwChannelMask) == info.maxOutputChannels) {
        return mixFormat.dwChannelMask;
    }
    switch (info.maxOutputChannels) {
        case 1:
            return KSAUDIO_SPEAKER_MONO;
        case 2:
            return KSAUDIO_SPEAKER_STEREO;
        case 4:
            return KSAUDIO_SPEAKER_QUAD;
        case 6:
            return KSAUDIO_SPEAKER_5POINT1;
        case 8:
            return KSAUDIO_SPEAKER_7POINT1_SURROUND;
        default:
            return (1u << std::clamp(info.maxOutputChannels, 0, 31)) - 1;
    }
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
    void Play(std::uint8_t* out, std::size_t frames);  // callback thread
    void StopStream();                                 // caller thread

    const WaveFormat format_;
    const std::uint8_t silence_;
    // How the buffers' frames are laid into the stream's frames: set by Open, then read by the
    // callback.
    FrameSpread spread_;
    PortAudioSession session_;
    DoneNotifier notifier_;
    // Opened by Open, closed by Close or the destructor; caller thread.
    PaStream* stream_ = nullptr;
    // Whether the stream runs; caller thread only.
    bool started_ = false;
    // Buffers written, not yet taken by the callback: pushed by Write (caller thread), popped by
    // the callback, or by Reset once the stream is stopped.
    SpscRing<WaveHeader*, DoneNotifier::Capacity> queued_;
    // The buffer being played and the bytes of it already played; the callback's own, and
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
#ifdef _WIN32
    // Windows takes a stream in the layout it mixes in (shared-mode WASAPI wants the device's
    // channels), and would spread a speaker the device lacks, or a stream of fewer speakers,
    // over the others. So a speaker the device lacks is refused, as a sink refuses it, and the
    // stream carries every speaker of the device: silence on those the mask does not name.
    const std::uint32_t speakers = DeviceSpeakers(device, *info);
    if (const std::uint32_t missing = format_.ChannelMask & ~speakers) {
        refusal = {.Kind = WaveRefusalKind::MissingSpeakers, .MissingSpeakers = missing};
        return WaveBadFormat;
    }
    // PortAudio 19.6's WASAPI plays packed 24-bit samples as noise (measured under Wine): they
    // travel in 32 bits, which holds the same values.
    const std::uint32_t deviceBytesPerSample = format_.BitsPerSample == 24 ? 4 : 0;
#else
    const std::uint32_t speakers = format_.ChannelMask;  // ALSA and JACK know no speakers
    const std::uint32_t deviceBytesPerSample = 0;
#endif
    spread_ = SpreadOf(format_, speakers, deviceBytesPerSample);
    PaStreamParameters output{};
    output.device = device;
    output.channelCount = static_cast<int>(spread_.DeviceChannels);
    output.sampleFormat = SampleFormatOf(spread_.DeviceBytesPerSample);
    output.suggestedLatency = info->defaultHighOutputLatency;
#ifdef _WIN32
    HostStreamInfo hostInfo;
    output.hostApiSpecificStreamInfo = FillHostStreamInfo(hostInfo, device, speakers);
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
    device->Play(static_cast<std::uint8_t*>(output), frames);
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

// Real-time: copies, posts, counts; no lock beyond the notifier's wake-up, no allocation, no
// wait. Buffers hold whole frames.
void PortAudioWaveOut::Play(std::uint8_t* out, std::size_t frames) {
    const std::size_t bufferFrame = format_.BlockAlign;
    const std::size_t streamFrame = spread_.DeviceChannels * spread_.DeviceBytesPerSample;
    while (frames > 0) {
        if (current_ == nullptr) {
            const auto next = queued_.Pop();
            if (!next) {
                std::memset(out, silence_, frames * streamFrame);
                if (playedSinceStart_) {
                    underruns_.fetch_add(1, std::memory_order_relaxed);
                }
                return;
            }
            current_ = *next;
            currentOffset_ = 0;
        }
        const std::size_t count =
            std::min<std::size_t>(frames, (current_->BufferLength - currentOffset_) / bufferFrame);
        SpreadFrames(spread_, current_->Data + currentOffset_, out, count);
        out += count * streamFrame;
        frames -= count;
        currentOffset_ += static_cast<std::uint32_t>(count * bufferFrame);
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
    if (const PaDeviceInfo* info = Pa_GetDeviceInfo(DefaultOutputDevice())) {
        list.push_back({-1, DefaultDeviceLabel(info->name)});
    }
    // Where the list shows several host APIs, the same device can appear under each (ALSA and
    // JACK): the API tells them apart.
    const bool oneApi = ListedHostApi() >= 0;
    std::vector<NamedDevice> named;
    for (const PaDeviceIndex index : OutputDevices()) {
        const PaDeviceInfo* info = Pa_GetDeviceInfo(index);
        const PaHostApiInfo* api = Pa_GetHostApiInfo(info->hostApi);
        named.push_back({info->name, api != nullptr && !oneApi ? api->name : ""});
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
