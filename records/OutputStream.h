#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>

#include <string>
#include <vector>

#include "records/ChannelSettings.h"
#include "records/Limits.h"
#include "records/OutputConfig.h"
#include "records/WaveRefusal.h"
#include "records/WaveformTable.h"

namespace tonquelle {

class WaveOutDriver;
struct StreamEngineState;
// Deletes the engine's state where its type is complete (audio/StreamEngine.cpp).
struct StreamEngineStateDeleter {
    void operator()(StreamEngineState* engine) const noexcept;
};

// One channel's share of the stream: the three copies of its settings and its user waveforms
// (slot 0 carrier, 1 frequency modulation, 2 amplitude modulation).
struct ChannelState {
    // Written and read by the UI thread only (panels, start command, memory-slot loads).
    ChannelSettings EditSettings;
    // Shared: written by PublishChannel (UI thread), read by RenderBuffer (stream thread),
    // both only under OutputStream::SettingsLock.
    ChannelSettings PendingSettings;
    // The renderer's copy: stream thread only (the muted defaults between runs).
    ChannelSettings LiveSettings;
    // Shared: filled by the waveform loader (UI thread), taken over by RenderBuffer (stream
    // thread), both only under OutputStream::SettingsLock.
    std::array<WaveformTable, WaveformSlotCount> PendingWaveforms;
    // The renderer's tables: stream thread only, and StopOutput after the stream thread ended.
    std::array<WaveformTable, WaveformSlotCount> LiveWaveforms;
};

// The program's one output stream: configuration, per-channel state and the engine's state.
struct OutputStream {
    // Written by the UI thread only while no stream thread exists (a settings load, the device
    // dialog's accepted start); read by the stream thread every buffer (rate, resolution,
    // channels) without a lock, as the thread's start orders it after the last write. The one
    // field the UI thread writes while the stream plays is SoftTransitions, which the stream
    // thread never reads: it reads the atomic SoftTransitions below.
    OutputConfig Config;
    std::array<ChannelState, MaxChannels> Channels;

    // The device layer the engine opens devices through; set by the program (or a test)
    // before the first start and not owned here. Set by the UI thread while stopped; used by
    // the UI thread at a start and by the stream thread while it reconnects a lost device.
    WaveOutDriver* Driver = nullptr;

    // Device open and stream thread playing. Written and read by the UI thread only.
    bool Running = false;
    // Frames rendered since the start: the renderer's time base. Reset by StartOutput before
    // the stream thread plays, then written and read by the stream thread only.
    std::int64_t FrameCounter = 0;
    // Frames per buffer of the running stream. Written by StartOutput before the stream thread
    // plays; read by the stream thread.
    std::int32_t BufferFrames = 0;

    // Guards PendingSettings and PendingWaveforms of every channel; held only for copies,
    // never while rendering or waiting.
    std::mutex SettingsLock;
    // Whether a buffer whose settings differ from the previous buffer's fades from the old signal
    // to the new one (synth/SoftTransition.h). Written by the UI thread at any time
    // (SetSoftTransitions), read by the stream thread once per buffer. An atomic of its own,
    // outside SettingsLock: it carries no other data, and a switch applies from the next buffer.
    std::atomic<bool> SoftTransitions{false};

    // --- Engine (audio/StreamEngine.cpp) ---

    // Bytes per buffer of the running stream. Written by StartOutput before the stream thread
    // plays; read by the stream thread.
    std::int32_t BufferBytes = 0;
    // How long StartOutput and StopOutput wait for the stream thread's handshakes and its end.
    // UI thread only; tests shorten it.
    std::chrono::milliseconds ThreadEndTimeout{5000};
    // How long the stream thread tries to reopen a lost device before it gives up, and how
    // often it tries. Written by the UI thread while no stream thread exists; tests shorten them.
    std::chrono::milliseconds ReconnectLimit{10000};
    std::chrono::milliseconds ReconnectInterval{250};
    // Why the device refused the last start that failed at opening it (Kind None otherwise).
    // UI thread only.
    WaveRefusal StartRefusal;
    // The device's names for the channels of the running stream when they are not the
    // speakers of ChannelMask (AUX channels, mono): entry k names channel k. Empty otherwise.
    // Written by StartOutput, read by the panels; UI thread only.
    std::vector<std::string> DeviceChannelNames;
    // The stream thread, its message queue and semaphore, the device and the two buffers:
    // present from StartOutput until a StopOutput released everything. Created, replaced and
    // destroyed by the UI thread only; what the stream thread may touch inside is said there
    // (audio/StreamEngineState.h).
    std::unique_ptr<StreamEngineState, StreamEngineStateDeleter> Engine;

    // Stops a stream that is still running (StreamEngine.cpp).
    ~OutputStream();
};

}  // namespace tonquelle
