#include "audio/PulseWaveOut.h"

#include <pulse/pulseaudio.h>

#include <algorithm>
#include <array>
#include <bit>
#include <deque>
#include <vector>

#include "audio/DeviceRules.h"
#include "audio/DoneNotifier.h"
#include "audio/PulseConnection.h"

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

// Channel k of the map is the speaker of the k-th set bit of the mask.
pa_channel_map ChannelMapOf(std::uint32_t mask) {
    pa_channel_map map;
    pa_channel_map_init(&map);
    for (std::uint32_t bit = 0; bit < SpeakerPositions.size(); ++bit) {
        if ((mask & (1u << bit)) != 0) {
            map.map[map.channels++] = SpeakerPositions[bit];
        }
    }
    return map;
}

bool SinkHasEverySpeaker(const pa_channel_map& sinkMap, const pa_channel_map& streamMap) {
    for (unsigned k = 0; k < streamMap.channels; ++k) {
        if (pa_channel_map_has_position(&sinkMap, streamMap.map[k]) == 0) {
            return false;
        }
    }
    return true;
}

// One open playback stream. Write queues a buffer and hands as much of the queue to the server
// as it asks for; the mainloop thread hands over the rest whenever the server asks again. A
// buffer is done once all its bytes are with the server (which copies them).
class PulseWaveOut final : public WaveOut {
  public:
    PulseWaveOut(const WaveFormat& format, WaveDoneSink& sink) : format_(format), notifier_(sink) {}
    ~PulseWaveOut() override { Shutdown(); }

    WaveResult Open(std::int32_t deviceId);

    WaveResult Prepare(WaveHeader& header) override { return PrepareHeader(header); }
    WaveResult Unprepare(WaveHeader& header) override { return UnprepareHeader(header); }
    WaveResult Write(WaveHeader& header) override;
    WaveResult Reset() override;
    WaveResult Close() override;

  private:
    static void OnStreamState(pa_stream* stream, void* self);
    static void OnWritable(pa_stream* stream, std::size_t bytes, void* self);
    void Feed();  // mainloop locked
    void Shutdown();

    const WaveFormat format_;
    DoneNotifier notifier_;
    PulseConnection connection_;
    // Created by Open, released by Shutdown (caller thread); used under the mainloop lock.
    pa_stream* stream_ = nullptr;
    // Buffers written and not yet fully handed to the server, oldest first; the bytes of the
    // front one before frontOffset_ are handed over already. Written by Write and Reset (caller
    // thread) and by Feed (mainloop thread), always under the mainloop lock.
    std::deque<WaveHeader*> queued_;
    std::uint32_t frontOffset_ = 0;
    // Buffers ever written; caller thread only.
    std::uint64_t written_ = 0;
};

WaveResult PulseWaveOut::Open(std::int32_t deviceId) {
    if (!connection_.Connect()) {
        return WaveError;
    }
    PulseSinkList sinks;
    if (!connection_.QuerySinks(sinks)) {
        return WaveError;
    }
    const PulseSink* sink = sinks.Find(deviceId);
    if (sink == nullptr) {
        return WaveBadDevice;
    }
    const pa_channel_map channelMap = ChannelMapOf(format_.ChannelMask);
    if (!SinkHasEverySpeaker(sink->ChannelMap, channelMap)) {
        return WaveBadFormat;
    }
    const pa_sample_spec sampleSpec{SampleFormatOf(format_), format_.SamplesPerSec,
                                    static_cast<std::uint8_t>(format_.Channels)};
    if (pa_sample_spec_valid(&sampleSpec) == 0) {
        return WaveBadFormat;
    }

    MainloopLock lock(connection_.Loop());
    stream_ = pa_stream_new(connection_.Context(), "Tonquelle", &sampleSpec, &channelMap);
    if (stream_ == nullptr) {
        return WaveBadFormat;
    }
    pa_stream_set_state_callback(stream_, OnStreamState, this);
    pa_stream_set_write_callback(stream_, OnWritable, this);
    // The server holds only 50 ms (the shortest buffer the program offers) ahead of the
    // speaker, so a buffer is reported done about when it has been played, as on a sound card:
    // a settings change is heard within about two buffer lengths. A refill has its own buffer's
    // length plus these 50 ms before the sound runs dry, which double buffering gives.
    pa_buffer_attr attr{};
    attr.maxlength = static_cast<std::uint32_t>(-1);
    attr.tlength = static_cast<std::uint32_t>(pa_usec_to_bytes(50 * PA_USEC_PER_MSEC, &sampleSpec));
    attr.prebuf = static_cast<std::uint32_t>(-1);
    attr.minreq = static_cast<std::uint32_t>(-1);
    attr.fragsize = static_cast<std::uint32_t>(-1);
    // No remixing: a channel sounds on its own speaker and nowhere else.
    const auto flags = PA_STREAM_NO_REMIX_CHANNELS;
    if (pa_stream_connect_playback(stream_, sink->Name.c_str(), &attr, flags, nullptr, nullptr) <
        0) {
        return WaveError;
    }
    pa_stream_state_t state = pa_stream_get_state(stream_);
    while (state != PA_STREAM_READY && PA_STREAM_IS_GOOD(state)) {
        pa_threaded_mainloop_wait(connection_.Loop());
        state = pa_stream_get_state(stream_);
    }
    return state == PA_STREAM_READY ? WaveOk : WaveBadFormat;
}

WaveResult PulseWaveOut::Write(WaveHeader& header) {
    if (stream_ == nullptr) {
        return WaveError;
    }
    if (written_ - notifier_.Delivered() >= DoneNotifier::Capacity) {
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
    queued_.push_back(&header);
    ++written_;
    Feed();
    return WaveOk;
}

WaveResult PulseWaveOut::Reset() {
    if (stream_ == nullptr) {
        return WaveError;
    }
    std::vector<WaveHeader*> returned;
    {
        MainloopLock lock(connection_.Loop());
        returned.assign(queued_.begin(), queued_.end());
        queued_.clear();
        frontOffset_ = 0;
        if (pa_operation* flush = pa_stream_flush(stream_, nullptr, nullptr)) {
            pa_operation_unref(flush);
        }
    }
    notifier_.Flush(returned);
    return WaveOk;
}

WaveResult PulseWaveOut::Close() {
    if (stream_ == nullptr) {
        return WaveError;
    }
    {
        MainloopLock lock(connection_.Loop());
        if (!queued_.empty()) {
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
            pa_stream_set_state_callback(stream_, nullptr, nullptr);
            pa_stream_set_write_callback(stream_, nullptr, nullptr);
            pa_stream_disconnect(stream_);
            pa_stream_unref(stream_);
        }
        stream_ = nullptr;
    }
    connection_.Close();
}

void PulseWaveOut::OnStreamState(pa_stream*, void* self) {
    pa_threaded_mainloop_signal(static_cast<PulseWaveOut*>(self)->connection_.Loop(), 0);
}

void PulseWaveOut::OnWritable(pa_stream*, std::size_t, void* self) {
    static_cast<PulseWaveOut*>(self)->Feed();
}

void PulseWaveOut::Feed() {
    std::size_t writable = pa_stream_writable_size(stream_);
    if (writable == static_cast<std::size_t>(-1)) {
        return;
    }
    writable -= writable % format_.BlockAlign;
    while (writable > 0 && !queued_.empty()) {
        WaveHeader* header = queued_.front();
        const std::size_t bytes =
            std::min<std::size_t>(writable, header->BufferLength - frontOffset_);
        if (pa_stream_write(stream_, header->Data + frontOffset_, bytes, nullptr, 0,
                            PA_SEEK_RELATIVE) < 0) {
            return;
        }
        frontOffset_ += static_cast<std::uint32_t>(bytes);
        writable -= bytes;
        if (frontOffset_ == header->BufferLength) {
            queued_.pop_front();
            frontOffset_ = 0;
            notifier_.Post(header);  // cannot overflow: Write limits the buffers in flight
        }
    }
}

class PulseWaveOutDriver final : public WaveOutDriver {
  public:
    std::vector<WaveOutDeviceInfo> ListDevices() override;
    WaveResult Open(std::unique_ptr<WaveOut>& device, std::int32_t deviceId,
                    const WaveFormat& format, WaveDoneSink& sink) override;
};

std::vector<WaveOutDeviceInfo> PulseWaveOutDriver::ListDevices() {
    PulseConnection connection;
    PulseSinkList sinks;
    if (!connection.Connect() || !connection.QuerySinks(sinks)) {
        return {};
    }
    std::vector<WaveOutDeviceInfo> devices;
    const PulseSink* defaultSink = sinks.Find(-1);
    devices.push_back(
        {-1, DefaultDeviceLabel(defaultSink != nullptr ? defaultSink->Description : "")});
    for (std::size_t i = 0; i < sinks.Sinks.size(); ++i) {
        devices.push_back({static_cast<std::int32_t>(i), sinks.Sinks[i].Description});
    }
    return devices;
}

WaveResult PulseWaveOutDriver::Open(std::unique_ptr<WaveOut>& device, std::int32_t deviceId,
                                    const WaveFormat& format, WaveDoneSink& sink) {
    return OpenCheckedDevice<PulseWaveOut>(device, deviceId, format, sink);
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
