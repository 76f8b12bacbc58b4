#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tonquelle::test {

// Points this process's PulseAudio clients (libpulse, parec, ALSA's pulse plug-in) at the
// private server the test fixture started. False when there is none.
bool UsePrivateServer();

// A sink of the private server, as the recorder needs it: name, channels, channel map.
struct MonitorSink {
    const char* Name;
    std::int32_t Channels;
    const char* Map;
};
// The private server's sinks, device ids 0 to 3 in the device list; the stereo one is the
// default.
inline constexpr MonitorSink StereoSink{"tq_stereo", 2, "front-left,front-right"};
inline constexpr MonitorSink SurroundSink{
    "tq_surround", 8,
    "front-left,front-right,front-center,lfe,rear-left,rear-right,side-left,side-right"};
inline constexpr MonitorSink Aux4Sink{"tq_aux4", 4, "aux0,aux1,aux2,aux3"};
inline constexpr MonitorSink MonoSink{"tq_mono", 1, "mono"};

// Kills the private server as a crash would (the program's connections break) or starts it
// again with the same sinks; true when the fixture script succeeded.
bool KillPrivateServer();
bool RestartPrivateServer();

// Kills the private server and restarts it at the latest on the way out, so that a failing test
// leaves it running for the others.
class ServerOutage {
  public:
    bool Begin() { return KillPrivateServer(); }
    bool End() {
        over_ = true;
        return RestartPrivateServer();
    }
    ~ServerOutage() {
        if (!over_) {
            RestartPrivateServer();
        }
    }

  private:
    bool over_ = false;
};

// A process (args[0] looked up in PATH) sharing this one's output; ended (SIGTERM, reaped)
// when the object goes. Not copyable: it owns the process.
class ChildProcess {
  public:
    ~ChildProcess() { Stop(); }
    bool Start(const std::vector<std::string>& args);
    bool Running();
    void Stop();

  private:
    pid_t pid_ = -1;
};

// Interleaved signed 16-bit frames at 44100 Hz.
struct Recording {
    std::int32_t Channels = 0;
    std::vector<std::int16_t> Samples;

    std::size_t Frames() const { return Samples.size() / Channels; }
};

// Records a sink's monitor with parec in an explicit channel map (without one parec remixes
// the channels into a layout of its own), from Start until Stop.
class MonitorRecorder {
  public:
    ~MonitorRecorder() { Stop(); }
    bool Start(const MonitorSink& sink);
    Recording Stop();

  private:
    std::int32_t channels_ = 0;
    std::string file_;
    ChildProcess parec_;
};

// First frame at which any channel exceeds `threshold` (full scale 1.0); Frames() if none.
std::size_t FirstLoudFrame(const Recording& recording, double threshold);

// A sine on one monitor channel; silence when Frequency is 0.
struct Tone {
    double Frequency = 0.0, Amplitude = 0.0;
};

// Checks every monitor channel over 500 ms from frame `first`: a tone's frequency (from the
// rising zero crossings) within `relativeHz`, its level within `levelDb` of a sine of its
// amplitude, and silence below -60 dBFS.
void ExpectTones(const Recording& recording, std::size_t first, const std::vector<Tone>& expected,
                 double relativeHz = 0.005, double levelDb = 1.0);

}  // namespace tonquelle::test
