#include "audio/PulseWaveOut.h"

#include <pulse/pulseaudio.h>

#include <pulse/rtclock.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "audio/DeviceRules.h"
#include "audio/DoneNotifier.h"
#include "audio/PulseConnection.h"
#include "audio/RealtimeScheduling.h"

namespace tonquelle {

namespace {

// PulseAudio's position for each ChannelMask bit.
constexpr std::array<pa_channel_position_t, 18> SpeakerPositions = {
    PA_CHANNEL_POSITION_FRONT_LEFT,
    PA_CHANNEL_POSITION_FRONT_RIGHT,
    PA_CHANNEL_POSITION_FRONT_CENTER,
    PA_CHANNEL_POSITION_LFE,
    PA_CHANNEL_POSITION_REAR_LEFT,
    PA_CHANNEL_POSITION_REAR_RIGHT,
    PA_CHANNEL_POSITION_FRONT_LEFT_OF_CENTER,
    PA_CHANNEL_POSITION_FRONT_RIGHT_OF_CENTER,
    PA_CHANNEL_POSITION_REAR_CENTER,
    PA_CHANNEL_POSITION_SIDE_LEFT,
    PA_CHANNEL_POSITION_SIDE_RIGHT,
    PA_CHANNEL_POSITION_TOP_CENTER,
    PA_CHANNEL_POSITION_TOP_FRONT_LEFT,
    PA_CHANNEL_POSITION_TOP_FRONT_CENTER,
    PA_CHANNEL_POSITION_TOP_FRONT_RIGHT,
    PA_CHANNEL_POSITION_TOP_REAR_LEFT,
    PA_CHANNEL_POSITION_TOP_REAR_CENTER,
    PA_CHANNEL_POSITION_TOP_REAR_RIGHT,
};

pa_sample_format_t SampleFormatOf(const WaveFormat& format) {
    switch (format.BitsPerSample) {
        case 8:
            return PA_SAMPLE_U8;
        case 16:
            return PA_SAMPLE_S16LE;
        case 24:
            return PA_SAMPLE_S24LE;
        case 32:
            return PA_SAMPLE_S32LE;
        default:
            return PA_SAMPLE_INVALID;
    }
}

bool IsSpeaker(pa_channel_position_t position) {
    return std::find(SpeakerPositions.begin(), SpeakerPositions.end(), position) !=
           SpeakerPositions.end();
}

// A sink with at least one speaker position takes streams by speaker; one without (AUX
// channels of a "Pro Audio" profile, a mono sink) by channel number.
bool HasSpeakers(const pa_channel_map& map) {
    return std::any_of(map.map, map.map + map.channels, IsSpeaker);
}

// The name a panel shows for a sink channel that is no speaker: "AUX0", "Mono".
std::string PositionName(pa_channel_position_t position) {
    if (position >= PA_CHANNEL_POSITION_AUX0 && position <= PA_CHANNEL_POSITION_AUX31) {
        return "AUX" + std::to_string(position - PA_CHANNEL_POSITION_AUX0);
    }
    if (position == PA_CHANNEL_POSITION_MONO) {
        return "Mono";
    }
    return pa_channel_position_to_string(position);
}

// How the stream's channels reach the sink: channel k on the speaker of the k-th set bit of the
// mask (refused when the sink lacks one of them), or, on a sink without speakers, channel k on
// the sink's channel k (refused when the sink has fewer channels). `names` receives the sink's
// names of the channels in the second case.
bool ChooseChannelMap(const pa_channel_map& sinkMap, const WaveFormat& format,
                      pa_channel_map& streamMap, std::vector<std::string>& names,
                      WaveRefusal& refusal) {
    pa_channel_map_init(&streamMap);
    if (HasSpeakers(sinkMap)) {
        for (std::uint32_t bit = 0; bit < SpeakerPositions.size(); ++bit) {
            if ((format.ChannelMask & (1u << bit)) == 0) {
                continue;
            }
            streamMap.map[streamMap.channels++] = SpeakerPositions[bit];
            if (pa_channel_map_has_position(&sinkMap, SpeakerPositions[bit]) == 0) {
                refusal.MissingSpeakers |= 1u << bit;
            }
        }
        refusal.Kind =
            refusal.MissingSpeakers != 0 ? WaveRefusalKind::MissingSpeakers : WaveRefusalKind::None;
        return refusal.MissingSpeakers == 0;
    }
    if (format.Channels > sinkMap.channels) {
        refusal = {.Kind = WaveRefusalKind::TooManyChannels, .DeviceChannels = sinkMap.channels};
        return false;
    }
    for (unsigned k = 0; k < format.Channels; ++k) {
        streamMap.map[streamMap.channels++] = sinkMap.map[k];
        names.push_back(PositionName(sinkMap.map[k]));
    }
    return true;
}

// One open playback stream.
//
// Write hands a buffer to the server at once, as far as the server takes it, and the mainloop
// thread hands over the rest when the server asks. The server's buffer (data queued plus the
// sink's own latency) holds two of the engine's buffers, so that after a buffer is done one more
// is still ahead of the speaker: the engine has one buffer length to refill, as on a sound card,
// and nothing of ours has to run in between except the refill itself.
//
// A buffer is done once it has been played: when the stream's playing position (the bytes
// written minus the latency the server reports) has passed its last byte. A timer on the
// mainloop thread wakes at that moment. So a settings change is heard at most two buffer
// lengths later: one until the next refill, one for the buffer ahead of it.
class PulseWaveOut final : public WaveOut {
  public:
    PulseWaveOut(const WaveFormat& format, WaveDoneSink& sink)
        : format_(format), notifier_(sink, RequestRealtimeScheduling) {}
    ~PulseWaveOut() override { Shutdown(); }

    WaveResult Open(const WaveOpenRequest& request, WaveRefusal& refusal,
                    const std::string& sinkName);

    WaveResult Prepare(WaveHeader& header) override { return PrepareHeader(header); }
    WaveResult Unprepare(WaveHeader& header) override { return UnprepareHeader(header); }
    WaveResult Write(WaveHeader& header) override;
    WaveResult Reset() override;
    WaveResult Close() override;
    std::uint64_t Dropouts() const override { return dropouts_.load(std::memory_order_relaxed); }
    std::vector<std::string> ChannelNames() const override { return channelNames_; }

  private:
    // A buffer between Write and its done notification, and the stream position after its last
    // byte (known once all of it is handed over).
    struct InFlight {
        WaveHeader* Header = nullptr;
        std::uint64_t End = 0;
    };

    WaveResult ConnectStream(const PulseSink& sink, const pa_channel_map& channelMap,
                             std::uint32_t bufferBytes);
    static void OnStreamState(pa_stream* stream, void* self);
    static void OnWritable(pa_stream* stream, std::size_t bytes, void* self);
    static void OnUnderflow(pa_stream* stream, void* self);
    static void OnTimer(pa_mainloop_api* api, pa_time_event* event, const struct timeval* tv,
                        void* self);
    static void OnConnectionFailed(void* self);
    // Mainloop locked (the caller's thread or the mainloop thread):
    void Feed();
    void ReturnPlayed();
    void ArmTimer(pa_usec_t after);
    InFlight& At(std::size_t index) { return inFlight_[(first_ + index) % inFlight_.size()]; }
    void Shutdown();

    const WaveFormat format_;
    pa_sample_spec spec_{};
    DoneNotifier notifier_;
    PulseConnection connection_;
    // The sink's names of the stream's channels when they are not speakers; set by Open.
    std::vector<std::string> channelNames_;
    // Created by Open, released by Shutdown (caller thread); used under the mainloop lock.
    pa_stream* stream_ = nullptr;
    pa_time_event* timer_ = nullptr;
    // The buffers in flight, oldest first: count_ of them from first_, of which the first
    // handed_ are with the server entirely and the next one up to offset_ bytes. A fixed ring,
    // so that nothing is allocated under the mainloop lock. Written by Write and Reset (caller
    // thread) and by the mainloop thread, always under the mainloop lock.
    std::array<InFlight, DoneNotifier::Capacity> inFlight_{};
    std::size_t first_ = 0;
    std::size_t count_ = 0;
    std::size_t handed_ = 0;
    std::uint32_t offset_ = 0;
    // Bytes ever given to pa_stream_write: the stream's write position. Mainloop lock.
    std::uint64_t written_ = 0;
    // The server ran out of data since the last write: everything written has been played
    // (the latency it still reports is the idle sink's). Mainloop lock.
    bool ranDry_ = false;
    // Buffers ever written; caller thread only.
    std::uint64_t writes_ = 0;
    // Underflows the server reported: written by the mainloop thread, read by any.
    std::atomic<std::uint64_t> dropouts_{0};
};

WaveResult PulseWaveOut::Open(const WaveOpenRequest& request, WaveRefusal& refusal,
                              const std::string& sinkName) {
    if (!connection_.Connect(true)) {
        refusal.Kind = WaveRefusalKind::NoServer;
        return WaveError;
    }
    PulseSinkList sinks;
    if (!connection_.QuerySinks(sinks)) {
        refusal.Kind = WaveRefusalKind::NoServer;
        return WaveError;
    }
    const PulseSink* sink = sinkName.empty() ? sinks.Find(request.DeviceId) : sinks.Named(sinkName);
    if (sink == nullptr) {
        refusal.Kind = WaveRefusalKind::NoDevice;
        return WaveBadDevice;
    }
    pa_channel_map channelMap;
    if (!ChooseChannelMap(sink->ChannelMap, format_, channelMap, channelNames_, refusal)) {
        return WaveBadFormat;
    }
    spec_ = {SampleFormatOf(format_), format_.SamplesPerSec,
             static_cast<std::uint8_t>(format_.Channels)};
    if (pa_sample_spec_valid(&spec_) == 0 || request.BufferBytes == 0) {
        refusal.Kind = WaveRefusalKind::UnsupportedFormat;
        return WaveBadFormat;
    }
    const WaveResult connected = ConnectStream(*sink, channelMap, request.BufferBytes);
    if (connected != WaveOk) {
        refusal.Kind = WaveRefusalKind::UnsupportedFormat;
    }
    return connected;
}

WaveResult PulseWaveOut::ConnectStream(const PulseSink& sink, const pa_channel_map& channelMap,
                                       std::uint32_t bufferBytes) {
    constexpr pa_usec_t StreamTimeout = 3 * PA_USEC_PER_SEC;
    MainloopLock lock(connection_.Loop());
    stream_ = pa_stream_new(connection_.Context(), "Tonquelle", &spec_, &channelMap);
    if (stream_ == nullptr) {
        return WaveBadFormat;
    }
    pa_stream_set_state_callback(stream_, OnStreamState, this);
    pa_stream_set_write_callback(stream_, OnWritable, this);
    pa_stream_set_underflow_callback(stream_, OnUnderflow, this);
    connection_.WatchFailure(OnConnectionFailed, this);
    // The whole chain (queue and sink) holds two buffers; the server asks for more each quarter
    // buffer; it starts playing (also after an underflow) as soon as a frame is there: the
    // engine writes whole buffers at once.
    pa_buffer_attr attr{};
    attr.maxlength = static_cast<std::uint32_t>(-1);
    attr.tlength = 2 * bufferBytes;
    attr.prebuf = format_.BlockAlign;
    attr.minreq =
        std::max<std::uint32_t>(bufferBytes / 4 / format_.BlockAlign, 1) * format_.BlockAlign;
    attr.fragsize = static_cast<std::uint32_t>(-1);
    // No remixing: a channel sounds on its own speaker and nowhere else. No moving: when the
    // sink goes, the stream fails instead of playing on a device with other speakers.
    const auto flags = static_cast<pa_stream_flags_t>(
        PA_STREAM_NO_REMIX_CHANNELS | PA_STREAM_DONT_MOVE | PA_STREAM_ADJUST_LATENCY |
        PA_STREAM_INTERPOLATE_TIMING | PA_STREAM_AUTO_TIMING_UPDATE);
    if (pa_stream_connect_playback(stream_, sink.Name.c_str(), &attr, flags, nullptr, nullptr) <
        0) {
        return WaveError;
    }
    const bool settled = connection_.WaitUntil(
        [this] {
            const pa_stream_state_t state = pa_stream_get_state(stream_);
            return state == PA_STREAM_READY || !PA_STREAM_IS_GOOD(state);
        },
        StreamTimeout);
    if (!settled || pa_stream_get_state(stream_) != PA_STREAM_READY) {
        return WaveBadFormat;
    }
    timer_ = pa_context_rttime_new(connection_.Context(), PA_USEC_INVALID, OnTimer, this);
    return timer_ != nullptr ? WaveOk : WaveError;
}

WaveResult PulseWaveOut::Write(WaveHeader& header) {
    if (stream_ == nullptr) {
        return WaveError;
    }
    if (writes_ - notifier_.Delivered() >= DoneNotifier::Capacity) {
        return WaveError;
    }
    MainloopLock lock(connection_.Loop());
    if (pa_stream_get_state(stream_) != PA_STREAM_READY) {
        return WaveError;
    }
    const WaveResult accepted = AcceptForWrite(header, format_.BlockAlign);
    if (accepted != WaveOk) {
        return accepted;
    }
    At(count_++) = {&header, 0};  // cannot overflow: at most Capacity buffers are in flight
    ++writes_;
    Feed();
    ReturnPlayed();
    return WaveOk;
}

WaveResult PulseWaveOut::Reset() {
    if (stream_ == nullptr) {
        return WaveError;
    }
    std::array<WaveHeader*, DoneNotifier::Capacity> returned{};
    std::size_t count = 0;
    {
        MainloopLock lock(connection_.Loop());
        for (; count < count_; ++count) {
            returned[count] = At(count).Header;
        }
        first_ = count_ = handed_ = 0;
        offset_ = 0;
        ranDry_ = false;
        if (pa_stream_get_state(stream_) == PA_STREAM_READY) {
            if (pa_operation* flush = pa_stream_flush(stream_, nullptr, nullptr)) {
                pa_operation_unref(flush);
            }
        }
        written_ = 0;  // the flush moves the write position back to the playing position
    }
    notifier_.Flush(std::span(returned.data(), count));
    return WaveOk;
}

WaveResult PulseWaveOut::Close() {
    if (stream_ == nullptr) {
        return WaveError;
    }
    {
        MainloopLock lock(connection_.Loop());
        if (count_ != 0) {
            return WaveStillPlaying;
        }
    }
    Shutdown();
    notifier_.Stop();
    return WaveOk;
}

void PulseWaveOut::Shutdown() {
    if (stream_ != nullptr) {
        {
            MainloopLock lock(connection_.Loop());
            connection_.WatchFailure(nullptr, nullptr);
            if (timer_ != nullptr) {
                pa_threaded_mainloop_get_api(connection_.Loop())->time_free(timer_);
                timer_ = nullptr;
            }
            pa_stream_set_state_callback(stream_, nullptr, nullptr);
            pa_stream_set_write_callback(stream_, nullptr, nullptr);
            pa_stream_set_underflow_callback(stream_, nullptr, nullptr);
            pa_stream_disconnect(stream_);
            pa_stream_unref(stream_);
        }
        stream_ = nullptr;
    }
    connection_.Close();
}

void PulseWaveOut::OnStreamState(pa_stream* stream, void* self) {
    auto* device = static_cast<PulseWaveOut*>(self);
    if (!PA_STREAM_IS_GOOD(pa_stream_get_state(stream))) {
        // A stream that fails while its server still answers lost its sink.
        const bool serverAnswers =
            PA_CONTEXT_IS_GOOD(pa_context_get_state(device->connection_.Context()));
        device->notifier_.ReportLost(serverAnswers ? WaveLossReason::DeviceRemoved
                                                   : WaveLossReason::ServerGone);
    }
    pa_threaded_mainloop_signal(device->connection_.Loop(), 0);
}

void PulseWaveOut::OnConnectionFailed(void* self) {
    static_cast<PulseWaveOut*>(self)->notifier_.ReportLost(WaveLossReason::ServerGone);
}

void PulseWaveOut::OnWritable(pa_stream*, std::size_t, void* self) {
    auto* device = static_cast<PulseWaveOut*>(self);
    device->Feed();
    device->ReturnPlayed();
}

void PulseWaveOut::OnUnderflow(pa_stream*, void* self) {
    auto* device = static_cast<PulseWaveOut*>(self);
    device->dropouts_.fetch_add(1, std::memory_order_relaxed);
    device->ranDry_ = true;
    device->ReturnPlayed();
}

void PulseWaveOut::OnTimer(pa_mainloop_api*, pa_time_event*, const struct timeval*, void* self) {
    static_cast<PulseWaveOut*>(self)->ReturnPlayed();
}

void PulseWaveOut::Feed() {
    std::size_t writable = pa_stream_writable_size(stream_);
    if (writable == static_cast<std::size_t>(-1)) {
        return;
    }
    writable -= writable % format_.BlockAlign;
    while (writable > 0 && handed_ < count_) {
        InFlight& next = At(handed_);
        const std::size_t bytes =
            std::min<std::size_t>(writable, next.Header->BufferLength - offset_);
        if (pa_stream_write(stream_, next.Header->Data + offset_, bytes, nullptr, 0,
                            PA_SEEK_RELATIVE) < 0) {
            return;
        }
        offset_ += static_cast<std::uint32_t>(bytes);
        written_ += bytes;
        ranDry_ = false;
        writable -= bytes;
        if (offset_ == next.Header->BufferLength) {
            next.End = written_;
            ++handed_;
            offset_ = 0;
        }
    }
}

void PulseWaveOut::ReturnPlayed() {
    // Between timing updates the library interpolates the latency from the clock.
    pa_usec_t latency = 0;
    int negative = 0;
    if (pa_stream_get_latency(stream_, &latency, &negative) < 0 && !ranDry_) {
        ArmTimer(10 * PA_USEC_PER_MSEC);  // no timing information yet
        return;
    }
    const std::uint64_t ahead = negative != 0 || ranDry_ ? 0 : pa_usec_to_bytes(latency, &spec_);
    const std::uint64_t played = written_ > ahead ? written_ - ahead : 0;
    while (handed_ > 0 && At(0).End <= played) {
        notifier_.Post(At(0).Header);  // cannot overflow: Write limits the buffers in flight
        first_ = (first_ + 1) % inFlight_.size();
        --count_;
        --handed_;
    }
    // Wake when the oldest buffer ends, and now and then anyway while the server keeps the
    // rest (a request, an underflow).
    constexpr pa_usec_t LongestSleep = 50 * PA_USEC_PER_MSEC;
    const pa_usec_t untilEnd =
        handed_ > 0 ? pa_bytes_to_usec(At(0).End - played, &spec_) : LongestSleep;
    ArmTimer(std::clamp<pa_usec_t>(untilEnd, PA_USEC_PER_MSEC, LongestSleep));
}

void PulseWaveOut::ArmTimer(pa_usec_t after) {
    if (timer_ != nullptr) {
        pa_context_rttime_restart(connection_.Context(), timer_, pa_rtclock_now() + after);
    }
}

// The driver. It keeps the sink names of the list it showed last, so that device id k opens
// the sink the user chose even when sinks came or went since, and a lost device is reopened as
// the same sink.
class PulseWaveOutDriver final : public WaveOutDriver {
  public:
    std::vector<WaveOutDeviceInfo> ListDevices() override;
    WaveResult Open(std::unique_ptr<WaveOut>& device, const WaveOpenRequest& request,
                    WaveDoneSink& sink, WaveRefusal& refusal) override;
    void PromoteStreamThread() override { RequestRealtimeScheduling(); }

  private:
    // Written by ListDevices (UI thread), read by Open (UI or stream thread).
    std::mutex listedLock_;
    std::vector<std::string> listedSinks_;
};

std::vector<WaveOutDeviceInfo> PulseWaveOutDriver::ListDevices() {
    PulseConnection connection;
    PulseSinkList sinks;
    if (!connection.Connect() || !connection.QuerySinks(sinks)) {
        return {};
    }
    std::vector<NamedDevice> named;
    std::vector<std::string> sinkNames;
    for (const PulseSink& sink : sinks.Sinks) {
        named.push_back({sink.Description, sink.Name});
        sinkNames.push_back(sink.Name);
    }
    const std::vector<std::string> names = DistinctNames(named);
    std::vector<WaveOutDeviceInfo> devices;
    const PulseSink* defaultSink = sinks.Find(-1);
    devices.push_back(
        {-1, DefaultDeviceLabel(defaultSink != nullptr ? defaultSink->Description : "")});
    for (std::size_t i = 0; i < names.size(); ++i) {
        devices.push_back({static_cast<std::int32_t>(i), names[i]});
    }
    const std::lock_guard lock(listedLock_);
    listedSinks_ = std::move(sinkNames);
    return devices;
}

WaveResult PulseWaveOutDriver::Open(std::unique_ptr<WaveOut>& device,
                                    const WaveOpenRequest& request, WaveDoneSink& sink,
                                    WaveRefusal& refusal) {
    std::string sinkName;
    {
        const std::lock_guard lock(listedLock_);
        if (request.DeviceId >= 0 &&
            static_cast<std::size_t>(request.DeviceId) < listedSinks_.size()) {
            sinkName = listedSinks_[static_cast<std::size_t>(request.DeviceId)];
        }
    }
    return OpenCheckedDevice<PulseWaveOut>(device, request, sink, refusal, sinkName);
}

}  // namespace

std::unique_ptr<WaveOutDriver> CreatePulseWaveOutDriver() {
    PulseConnection probe;
    if (!probe.Connect()) {
        return nullptr;
    }
    return std::make_unique<PulseWaveOutDriver>();
}

}  // namespace tonquelle
