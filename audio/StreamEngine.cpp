#include "audio/StreamEngine.h"

#include <algorithm>
#include <new>
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

// The stream thread: renders and queues the buffers on the engine's commands and refills each
// buffer the device returns, until MessageQuit.
void StreamThread(OutputStream& stream, StreamEngineState& engine, std::promise<void> ended) {
    ended.set_value_at_thread_exit();
    bool playing = false;
    engine.ThreadId = std::this_thread::get_id();
    // The queue exists before the thread, so nothing posted from now on can be lost.
    engine.Semaphore->release();
    for (;;) {
        const ThreadMessage message = engine.Messages.Wait();
        switch (message.Id) {
            case MessageQuit:
                return;
            case MessagePlay:
                for (WaveHeader& header : engine.Headers) {
                    RenderBuffer(stream, header.Data);
                }
                for (WaveHeader& header : engine.Headers) {
                    engine.Device->Write(header);
                }
                playing = true;
                break;
            case MessageBufferDone:
                // Buffers the device returns after a reset are not played again.
                if (playing && IsOwnHeader(engine, message.Header)) {
                    RenderBuffer(stream, message.Header->Data);
                    engine.Device->Write(*message.Header);
                }
                break;
            case MessageReset:
                engine.Device->Reset();
                playing = false;
                engine.Semaphore->release();
                break;
            default:
                break;
        }
    }
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
    if (stream.Driver == nullptr || !RenderableFormat(stream.Config)) {
        return false;
    }
    const WaveFormat format = WaveFormatOf(stream.Config);
    if (stream.Driver->Open(engine.Device, stream.Config.OutputDevice, format, engine) != WaveOk) {
        engine.Device.reset();  // a driver that left something behind: it was never opened
        return false;
    }
    stream.BufferFrames = BufferFramesOf(stream.Config);
    stream.BufferBytes = BufferBytesOf(stream.Config);
    return AllocateBuffers(stream, engine) && PrepareBuffers(engine);
}

// Resets the device through the stream thread and unprepares both buffers.
bool ResetAndUnprepare(StreamEngineState& engine) {
    engine.Messages.Post(MessageReset);
    engine.Semaphore->acquire();
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
    if (!CreateStreamThread(stream, engine)) {
        return FailStart(stream);
    }
    engine.Semaphore->acquire();  // the thread is ready

    if (!OpenDevice(stream, engine)) {
        return FailStart(stream);
    }
    engine.Messages.Post(MessagePlay);
    stream.Running = true;
    return true;
}

bool StopOutput(OutputStream& stream) {
    if (StreamEngineState* engine = stream.Engine.get()) {
        if (engine->Device && !ResetAndUnprepare(*engine)) {
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
