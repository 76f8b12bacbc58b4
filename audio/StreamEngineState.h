#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <future>
#include <memory>
#include <optional>
#include <semaphore>
#include <thread>

#include "audio/ThreadMessageQueue.h"
#include "audio/WaveOut.h"

namespace tonquelle {

// What the engine creates for one run, from StartOutput to the StopOutput that releases it.
// Each member is present or absent on its own, so that StopOutput can release exactly what a
// failed start created. The record is also the device's done sink: it posts each returned
// buffer to the stream thread.
struct StreamEngineState final : WaveDoneSink {
    // Posted to by the UI thread (commands) and the device (done notifications); taken by the
    // stream thread. Synchronised inside.
    ThreadMessageQueue Messages;

    // Two handshakes from the stream thread to the UI thread: thread ready, device reset done.
    // Created and destroyed by the UI thread while the stream thread does not exist; released
    // by the stream thread, acquired by the UI thread.
    std::optional<std::counting_semaphore<>> Semaphore;

    // The stream thread and the signal of its end (ready once the thread function returned).
    // UI thread only.
    std::thread Thread;
    std::future<void> ThreadEnded;
    // The stream thread's identity: written by the stream thread before it first releases
    // Semaphore, read by the UI thread after acquiring it.
    std::thread::id ThreadId;

    // The open device. Opened and closed by the UI thread; between the post of MessagePlay and
    // the reset handshake the stream thread calls Write and Reset on it (the UI thread then
    // calls nothing on it).
    std::unique_ptr<WaveOut> Device;

    // The two circulating buffers and their data blocks, allocated once per start. The UI
    // thread fills and prepares them before MessagePlay and unprepares and frees them after the
    // reset handshake; in between the stream thread renders into them and the device reads
    // them.
    std::array<WaveHeader, 2> Headers{};
    std::array<std::unique_ptr<std::uint8_t[]>, 2> Blocks;

    void BufferDone(WaveHeader* header) override { Messages.Post(MessageBufferDone, header); }
};

}  // namespace tonquelle
