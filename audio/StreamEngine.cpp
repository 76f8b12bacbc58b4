#include "audio/StreamEngine.h"

#include <algorithm>
#include <new>
#include <optional>
#include <system_error>
#include <utility>

#include "audio/BoundedJoin.h"
#include "audio/StreamEngineState.h"
#include "synth/Renderer.h"

namespace tonquelle {

namespace {

bool IsOwnHeader(const StreamEngineState& engine, const WaveHeader* header) {
    return header == &engine.Headers[0] || header == &engine.Headers[1];
}

using Clock = std::chrono::steady_clock;

// The stream thread: renders and queues the buffers on the engine's commands, refills each
// buffer the device returns, and reopens a device that was lost, until MessageQuit.
class StreamLoop {
  public:
    StreamLoop(OutputStream& stream, StreamEngineState& engine)
        : stream_(stream), engine_(engine) {}

    void Run() {
        for (;;) {
            std::optional<ThreadMessage> message;
            if (Reconnecting()) {
                message = engine_.Messages.WaitUntil(nextAttempt_);
                if (!message) {
                    TryReconnect();
                    continue;
                }
            } else {
                message = engine_.Messages.Wait();
            }
            if (!Handle(*message)) {
                return;
            }
        }
    }

  private:
    // False for MessageQuit.
    bool Handle(const ThreadMessage& message) {
        switch (message.Id) {
            case MessageQuit:
                return false;
            case MessagePlay:
                playing_ = true;
                Play();
                break;
            case MessageBufferDone:
                // Buffers the device returns after a reset are not played again.
                if (playing_ && FromOpenDevice(message) && IsOwnHeader(engine_, message.Header)) {
                    RenderBuffer(stream_, message.Header->Data);
                    engine_.Device->Write(*message.Header);
                    PublishDropouts();
                }
                break;
            case MessageDeviceLost:
                if (playing_ && FromOpenDevice(message)) {
                    BeginReconnect(static_cast<WaveLossReason>(message.Value));
                }
                break;
            case MessageReset:
                if (engine_.Device) {
                    engine_.Device->Reset();
                }
                playing_ = false;
                engine_.Semaphore->Release();
                break;
            default:
                break;
        }
        return true;
    }

    // Notifications of a device closed since are stale: its buffers were taken back. Only while
    // playing: after the reset handshake the device belongs to the UI thread again.
    bool FromOpenDevice(const ThreadMessage& message) const {
        return engine_.Device != nullptr &&
               message.Device == engine_.DeviceNumber.load(std::memory_order_relaxed);
    }

    // Renders and queues both buffers: the start of playing, on the first device or a reopened
    // one.
    void Play() {
        for (WaveHeader& header : engine_.Headers) {
            RenderBuffer(stream_, header.Data);
        }
        for (WaveHeader& header : engine_.Headers) {
            engine_.Device->Write(header);
        }
        engine_.Health.store(StreamHealth::Playing, std::memory_order_release);
    }

    bool Reconnecting() const {
        return playing_ && engine_.Device == nullptr &&
               engine_.Health.load(std::memory_order_relaxed) == StreamHealth::Reconnecting;
    }

    void BeginReconnect(WaveLossReason reason) {
        engine_.LossReason.store(reason, std::memory_order_release);
        engine_.Health.store(StreamHealth::Reconnecting, std::memory_order_release);
        CloseLostDevice();
        ++earlierDropouts_;  // the gap until the device plays again
        PublishDropouts();
        lostAt_ = Clock::now();
        nextAttempt_ = lostAt_;
    }

    // Takes the buffers back from a device that no longer plays and closes it. Whatever the
    // broken device answers, the buffers are ours again afterwards.
    void CloseLostDevice() {
        WaveOut& device = *engine_.Device;
        earlierDropouts_ += device.Dropouts();
        device.Reset();
        for (WaveHeader& header : engine_.Headers) {
            device.Unprepare(header);
        }
        device.Close();
        engine_.Device.reset();  // a device that refused to close stops in its destructor
        for (WaveHeader& header : engine_.Headers) {
            header.Flags = 0;
        }
        engine_.DeviceNumber.fetch_add(1, std::memory_order_acq_rel);
    }

    void TryReconnect() {
        const Clock::time_point now = Clock::now();
        if (now - lostAt_ >= stream_.ReconnectLimit) {
            engine_.Health.store(StreamHealth::Lost, std::memory_order_release);
            return;
        }
        nextAttempt_ = now + stream_.ReconnectInterval;
        WaveRefusal ignored;
        if (stream_.Driver->Open(engine_.Device, engine_.Request, engine_, ignored) != WaveOk) {
            engine_.Device.reset();
            return;
        }
        for (WaveHeader& header : engine_.Headers) {
            if (engine_.Device->Prepare(header) != WaveOk) {
                CloseLostDevice();
                return;
            }
        }
        Play();
        PublishDropouts();
    }

    void PublishDropouts() {
        const std::uint64_t current = engine_.Device ? engine_.Device->Dropouts() : 0;
        engine_.Dropouts.store(earlierDropouts_ + current, std::memory_order_release);
    }

    OutputStream& stream_;
    StreamEngineState& engine_;
    bool playing_ = false;
    // Gaps of the devices closed since the start, one more for each loss.
    std::uint64_t earlierDropouts_ = 0;
    Clock::time_point lostAt_;
    Clock::time_point nextAttempt_;
};

void StreamThread(OutputStream& stream, StreamEngineState& engine, std::promise<void> ended) {
    ended.set_value_at_thread_exit();
    // The queue exists before the thread, so nothing posted from now on can be lost.
    engine.Semaphore->Release();
    // After the handshake, so that a slow answer of the system does not hold up the start.
    stream.Driver->PromoteStreamThread();
    StreamLoop(stream, engine).Run();
}

// User waveforms and the renderer's copies belong to one run: none survives a stop, none is
// waiting at a start. The live settings go back to the muted defaults, so a run starts from
// silence, which is what a soft transition fades from.
void ClearChannelsOfTheRun(OutputStream& stream) {
    std::array<WaveformTable, MaxChannels * WaveformSlotCount> released;
    auto out = released.begin();
    {
        std::lock_guard lock(stream.SettingsLock);
        for (ChannelState& channel : stream.Channels) {
            out = std::swap_ranges(channel.PendingWaveforms.begin(), channel.PendingWaveforms.end(),
                                   out);
        }
    }
    // Only the UI thread runs here: the stream thread does not exist.
    for (ChannelState& channel : stream.Channels) {
        channel.LiveWaveforms = {};
        channel.LiveSettings = ChannelSettings{};
    }
}

// The channel count and resolution the renderer and the sample encoding can produce; anything
// else is refused like a format the device does not take.
bool RenderableFormat(const OutputConfig& config) {
    const bool resolutionOk = config.Resolution == 8 || config.Resolution == 16 ||
                              config.Resolution == 24 || config.Resolution == 32;
    return resolutionOk && config.ChannelCount >= 1 && config.ChannelCount <= MaxChannels;
}

bool CreateStreamThread(OutputStream& stream, StreamEngineState& engine) {
    try {
        std::promise<void> ended;
        engine.ThreadEnded = ended.get_future();
        engine.Thread =
            std::thread(StreamThread, std::ref(stream), std::ref(engine), std::move(ended));
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

bool AllocateBuffers(const OutputStream& stream, StreamEngineState& engine) {
    if (stream.BufferBytes <= 0) {
        return false;
    }
    for (std::size_t i = 0; i < engine.Headers.size(); ++i) {
        engine.Blocks[i].reset(new (std::nothrow) std::uint8_t[stream.BufferBytes]());
        if (!engine.Blocks[i]) {
            return false;
        }
        engine.Headers[i].Data = engine.Blocks[i].get();
        engine.Headers[i].BufferLength = static_cast<std::uint32_t>(stream.BufferBytes);
    }
    return true;
}

bool PrepareBuffers(StreamEngineState& engine) {
    for (WaveHeader& header : engine.Headers) {
        header.Flags = 0;
        if (engine.Device->Prepare(header) != WaveOk) {
            return false;
        }
    }
    return true;
}

// Opens the device and makes the two buffers ready; the stream thread already runs.
bool OpenDevice(OutputStream& stream, StreamEngineState& engine) {
    if (!RenderableFormat(stream.Config)) {
        stream.StartRefusal.Kind = WaveRefusalKind::UnsupportedFormat;
        return false;
    }
    stream.BufferFrames = BufferFramesOf(stream.Config);
    stream.BufferBytes = BufferBytesOf(stream.Config);
    engine.Request = {.DeviceId = stream.Config.OutputDevice,
                      .Format = WaveFormatOf(stream.Config),
                      .BufferBytes = static_cast<std::uint32_t>(std::max(stream.BufferBytes, 0))};
    if (stream.Driver == nullptr ||
        stream.Driver->Open(engine.Device, engine.Request, engine, stream.StartRefusal) != WaveOk) {
        engine.Device.reset();  // a driver that left something behind: it was never opened
        return false;
    }
    return AllocateBuffers(stream, engine) && PrepareBuffers(engine);
}

// The stream thread's answer to MessageReset: after it the device (if one is open) has
// returned every buffer and the stream thread touches nothing of the run any more.
bool AwaitReset(const OutputStream& stream, StreamEngineState& engine) {
    if (!engine.ResetOwed) {
        engine.Messages.Post(MessageReset);
        engine.ResetOwed = true;
    }
    if (!engine.Semaphore->TryAcquireFor(stream.ThreadEndTimeout)) {
        return false;
    }
    engine.ResetOwed = false;
    return true;
}

bool Unprepare(StreamEngineState& engine) {
    for (WaveHeader& header : engine.Headers) {
        if (engine.Device->Unprepare(header) != WaveOk) {
            return false;
        }
    }
    return true;
}

void FreeBuffers(StreamEngineState& engine) {
    for (std::size_t i = 0; i < engine.Headers.size(); ++i) {
        engine.Headers[i].Data = nullptr;
        engine.Headers[i].BufferLength = 0;
        engine.Blocks[i].reset();
    }
}

bool FailStart(OutputStream& stream) {
    StopOutput(stream);
    return false;
}

}  // namespace

bool StartOutput(OutputStream& stream) {
    if (stream.Running) {
        return false;
    }
    // What a clean-up that ended early left behind must go first.
    if (stream.Engine && !StopOutput(stream)) {
        return false;
    }
    stream.FrameCounter = 0;
    ClearChannelsOfTheRun(stream);

    stream.Engine.reset(new (std::nothrow) StreamEngineState);
    if (!stream.Engine) {
        return false;
    }
    StreamEngineState& engine = *stream.Engine;
    engine.Semaphore.emplace(0);
    stream.StartRefusal = {};
    stream.DeviceChannelNames.clear();
    if (!CreateStreamThread(stream, engine) ||
        !engine.Semaphore->TryAcquireFor(stream.ThreadEndTimeout)) {  // the thread is ready
        return FailStart(stream);
    }

    if (!OpenDevice(stream, engine)) {
        return FailStart(stream);
    }
    stream.DeviceChannelNames = engine.Device->ChannelNames();
    engine.Messages.Post(MessagePlay);
    stream.Running = true;
    return true;
}

bool StopOutput(OutputStream& stream) {
    if (StreamEngineState* engine = stream.Engine.get()) {
        // The stream thread may have closed or reopened the device: only after the reset
        // handshake does the UI thread look at it.
        if (engine->Thread.joinable() && !AwaitReset(stream, *engine)) {
            return false;
        }
        if (engine->Device && !Unprepare(*engine)) {
            return false;
        }
        FreeBuffers(*engine);
        if (engine->Device) {
            if (engine->Device->Close() != WaveOk) {
                return false;
            }
            engine->Device.reset();
        }
        if (engine->Thread.joinable()) {
            engine->Messages.Post(MessageQuit);
            if (!JoinWithin(engine->Thread, engine->ThreadEnded, stream.ThreadEndTimeout)) {
                return false;
            }
        }
        stream.Engine.reset();
    }
    ClearChannelsOfTheRun(stream);
    stream.Running = false;
    return true;
}

bool IsRunning(const OutputStream& stream) {
    return stream.Running;
}

StreamStatus ReadStreamStatus(const OutputStream& stream) {
    if (!stream.Running || !stream.Engine) {
        return {};
    }
    const StreamEngineState& engine = *stream.Engine;
    return {.Health = engine.Health.load(std::memory_order_acquire),
            .Dropouts = engine.Dropouts.load(std::memory_order_acquire),
            .LossReason = engine.LossReason.load(std::memory_order_acquire)};
}

void StreamEngineStateDeleter::operator()(StreamEngineState* engine) const noexcept {
    delete engine;
}

OutputStream::~OutputStream() {
    if (!Engine || StopOutput(*this)) {
        return;
    }
    // A stop that failed: drop the device without closing it (its destructor stops it) and
    // wait for the stream thread however long it takes; it reads this record, so it must not
    // outlive it.
    Engine->Device.reset();
    if (Engine->Thread.joinable()) {
        Engine->Messages.Post(MessageQuit);
        Engine->Thread.join();
    }
}

}  // namespace tonquelle
