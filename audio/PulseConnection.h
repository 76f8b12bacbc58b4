#pragma once

#include <pulse/pulseaudio.h>

#include <string>
#include <vector>

namespace tonquelle {

// Holds a threaded mainloop's lock for a scope. Never used on the mainloop's own thread.
class MainloopLock {
  public:
    explicit MainloopLock(pa_threaded_mainloop* loop) : loop_(loop) {
        pa_threaded_mainloop_lock(loop_);
    }
    ~MainloopLock() { pa_threaded_mainloop_unlock(loop_); }
    MainloopLock(const MainloopLock&) = delete;
    MainloopLock& operator=(const MainloopLock&) = delete;

  private:
    pa_threaded_mainloop* loop_;
};

// A sink of the server, as the device list and the open check need it.
struct PulseSink {
    std::string Name;
    std::string Description;
    pa_channel_map ChannelMap{};
};

// The server's sinks in the server's order, and the name of its default sink.
struct PulseSinkList {
    std::vector<PulseSink> Sinks;
    std::string DefaultSinkName;

    // The sink of device id `deviceId` (-1 = the default sink); null when there is none.
    const PulseSink* Find(int deviceId) const;
    // The sink called `name`; null when there is none.
    const PulseSink* Named(const std::string& name) const;
};

// A client connection to the server: a threaded mainloop running a context. The mainloop thread
// runs every PulseAudio callback; everybody else touches the context only under MainloopLock.
class PulseConnection {
  public:
    PulseConnection() = default;
    ~PulseConnection() { Close(); }
    PulseConnection(const PulseConnection&) = delete;
    PulseConnection& operator=(const PulseConnection&) = delete;

    // Connects without starting a server; false when none answers within a few seconds. With
    // `realtime` the mainloop thread, which feeds a playing stream, asks for real-time
    // scheduling.
    bool Connect(bool realtime = false);
    // Disconnects and ends the mainloop thread; no callback runs after it returns.
    void Close();

    pa_threaded_mainloop* Loop() const { return loop_; }
    pa_context* Context() const { return context_; }

    // Fetches the sink list; false when the server does not answer. Mainloop not locked.
    bool QuerySinks(PulseSinkList& list);

    // Mainloop locked: waits until `operation` has finished, then releases it. False when it
    // could not be started, was cancelled (connection lost) or the server did not answer in
    // time.
    bool Await(pa_operation* operation);

    // Mainloop locked: waits until `done()` holds, at most `timeout`; false when it did not.
    // Every state change of the context and of its streams wakes the wait (their callbacks
    // signal the mainloop).
    template <typename Done>
    bool WaitUntil(Done done, pa_usec_t timeout) {
        ArmTimeLimit(timeout);
        bool reached = done();
        while (!reached && !timedOut_) {
            pa_threaded_mainloop_wait(loop_);
            reached = done();
        }
        DisarmTimeLimit();
        return reached;
    }

    // Mainloop locked: `onFailure(userdata)` runs on the mainloop thread when the connection,
    // once ready, fails or ends. Null stops it.
    void WatchFailure(void (*onFailure)(void*), void* userdata);

  private:
    static void OnContextState(pa_context* context, void* self);
    static void OnTimeout(pa_mainloop_api* api, pa_time_event* event, const struct timeval* tv,
                          void* self);
    void ArmTimeLimit(pa_usec_t timeout);
    void DisarmTimeLimit();

    pa_threaded_mainloop* loop_ = nullptr;
    pa_context* context_ = nullptr;
    bool running_ = false;
    bool realtime_ = false;  // whether the mainloop thread asks for real time once ready
    // The running wait's time limit: armed and freed by the waiting thread, fired on the mainloop
    // thread; all under the mainloop lock.
    pa_time_event* timeLimit_ = nullptr;
    bool timedOut_ = false;
    // Set with WatchFailure and read by OnContextState, both under the mainloop lock.
    void (*onFailure_)(void*) = nullptr;
    void* failureUserdata_ = nullptr;
};

}  // namespace tonquelle
