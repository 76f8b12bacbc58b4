#pragma once

#include <array>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>

namespace tonquelle {

struct WaveHeader;

// The stream thread's messages, numbered like the Windows thread messages they stand for.
inline constexpr std::uint32_t MessageQuit = 0x0012;        // WM_QUIT: leave the message loop
inline constexpr std::uint32_t MessageBufferDone = 0x03BD;  // MM_WOM_DONE: a buffer was played
inline constexpr std::uint32_t MessagePlay = 0x8000;        // WM_APP: render, queue, play
inline constexpr std::uint32_t MessageReset = 0x8001;       // WM_APP + 1: reset the device
inline constexpr std::uint32_t MessageDeviceLost = 0x8002;  // the device can no longer play

struct ThreadMessage {
    std::uint32_t Id = 0;
    WaveHeader* Header = nullptr;  // the played buffer of MessageBufferDone, else null
    // The device the notification came from (the engine counts the devices it opens), so that
    // late notifications of a device replaced since are told apart.
    std::uint32_t Device = 0;
    std::uint32_t Value = 0;  // MessageDeviceLost: the WaveLossReason
};

// A small message queue for one receiving thread: any thread posts, one thread waits and takes.
// Its capacity is fixed, so posting never allocates; the stream never has more than a handful
// of messages in flight (two buffer notifications and one command at a time).
class ThreadMessageQueue {
  public:
    static constexpr std::size_t Capacity = 64;

    // Appends a message; false (and nothing posted) when the queue is full. Any thread.
    bool Post(const ThreadMessage& message);
    bool Post(std::uint32_t id) { return Post(ThreadMessage{.Id = id}); }
    // Waits until a message is there and takes the oldest. The receiving thread only.
    ThreadMessage Wait();
    // The same, waiting at most until `deadline`; empty when none came. The receiving thread
    // only.
    std::optional<ThreadMessage> WaitUntil(std::chrono::steady_clock::time_point deadline);
    // Messages waiting now. Any thread; for tests and diagnostics.
    std::size_t Size() const;

  private:
    ThreadMessage TakeOldest();  // caller holds mutex_, count_ > 0

    mutable std::mutex mutex_;
    std::condition_variable posted_;
    // Guarded by mutex_: a ring of count_ messages starting at head_.
    std::array<ThreadMessage, Capacity> ring_{};
    std::size_t head_ = 0;
    std::size_t count_ = 0;
};

}  // namespace tonquelle
