#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <future>
#include <memory>
#include <optional>
#include <thread>

#include "audio/Semaphore.h"
#include "audio/StreamEngine.h"
#include "audio/ThreadMessageQueue.h"
#include "audio/WaveOut.h"

namespace tonquelle {

// What the engine creates for one run, from StartOutput to the StopOutput that releases it.
// Each member is present or absent on its own, so that StopOutput can release exactly what a
// failed start created. The record is also the devices' notification sink: it posts each
// returned buffer and each loss to the stream thread, tagged with the device's number.
struct StreamEngineState final : WaveDoneSink {
    // Posted to by the UI thread (commands) and the device (notifications); taken by the
    // stream thread. Synchronised inside.
    ThreadMessageQueue Messages;

    // Two handshakes from the stream thread to the UI thread: thread ready, device reset done.
    // Created and destroyed by the UI thread while the stream thread does not exist; released
    // by the stream thread, acquired by the UI thread (never without a time limit).
    std::optional<tonquelle::Semaphore> Semaphore;
    // A reset was posted whose handshake the UI thread has not received yet (it waited in
    // vain): the next stop waits for that one instead of posting another. UI thread only.
    bool ResetOwed = false;

    // The stream thread and the signal of its end (ready once the thread function returned).
    // UI thread only.
    std::thread Thread;
    std::future<void> ThreadEnded;

    // What was opened: written by the UI thread before it posts MessagePlay, then read by the
    // stream thread when it reopens a lost device.
    WaveOpenRequest Request;

    // The open device, or none while a lost one is being reopened. The UI thread opens it at the
    // start; from the post of MessagePlay to the reset handshake the stream thread alone uses,
    // closes and reopens it; after the handshake the UI thread unprepares and closes it.
    std::unique_ptr<WaveOut> Device;
    // The number of the open device, counted up whenever the stream thread closes a lost one:
    // written by the UI thread before MessagePlay and by the stream thread while no device is
    // open; read by the device's notifying threads.
    std::atomic<std::uint32_t> DeviceNumber{0};

    // The two circulating buffers and their data blocks, allocated once per start. The UI
    // thread fills and prepares them before MessagePlay and unprepares and frees them after the
    // reset handshake; in between the stream thread renders into them and the device reads
    // them.
    std::array<WaveHeader, 2> Headers{};
    std::array<std::unique_ptr<std::uint8_t[]>, 2> Blocks;

    // The stream's health, its gaps and the last loss's reason: written by the stream thread,
    // read by the UI thread (ReadStreamStatus).
    std::atomic<StreamHealth> Health{StreamHealth::Playing};
    std::atomic<std::uint64_t> Dropouts{0};
    std::atomic<WaveLossReason> LossReason{WaveLossReason::StreamFailed};

    void BufferDone(WaveHeader* header) override {
        Messages.Post({.Id = MessageBufferDone, .Header = header, .Device = Number()});
    }
    void DeviceLost(WaveLossReason reason) override {
        Messages.Post({.Id = MessageDeviceLost,
                       .Device = Number(),
                       .Value = static_cast<std::uint32_t>(reason)});
    }

  private:
    std::uint32_t Number() const { return DeviceNumber.load(std::memory_order_acquire); }
};

}  // namespace tonquelle
