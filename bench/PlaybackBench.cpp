// tonquelle-playback-bench: the generator's engine and PulseAudio device on a sound server, for
// bench/dropouts.sh (not a test: it measures).
//
//   play <sink id> <buffer ms> <seconds>   plays a 1 kHz sine (amplitude 0.5) on front left and
//                                          right, then prints "dropouts <n>" (the device's count)
//   sine <seconds>                         writes the same sine as raw s16le stereo at 44100 Hz
//                                          to stdout (for pacat)
//   gaps <file>                            counts the gaps in a raw s16le stereo recording of it:
//                                          runs of at least 1 ms of digital silence between the
//                                          first and the last sound; prints "<gaps> <total ms>"
//   latency <sink id> <buffer ms> <sink name> <repeats>
//                                          unmutes the playing sine again and again and measures
//                                          when it is heard on the sink's monitor; prints
//                                          "<min> <median> <max>" in ms
//
// PULSE_SERVER chooses the server. Sink ids are those of the device list (0 = the first sink).

#include <pulse/simple.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <mutex>
#include <numbers>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "audio/PulseWaveOut.h"
#include "audio/StreamEngine.h"
#include "synth/Renderer.h"

namespace tonquelle {
namespace {

using Clock = std::chrono::steady_clock;
constexpr int Rate = 44100;
constexpr double ToneHz = 1000.0;
constexpr double ToneAmplitude = 0.5;

// Starts the sine on front left and right of sink `sinkId` (muted: published so, silent); false
// with the reason on standard error when it cannot.
bool StartTone(OutputStream& stream, WaveOutDriver* driver, int sinkId, int bufferMs, bool muted) {
    if (driver == nullptr) {
        std::fprintf(stderr, "no sound server\n");
        return false;
    }
    driver->ListDevices();
    stream.Driver = driver;
    stream.Config = {sinkId, Rate, 16, bufferMs, 0x3, 2};
    for (int k = 0; k < 2; ++k) {
        ChannelSettings& settings = stream.Channels[k].EditSettings;
        settings = ChannelSettings{};
        settings.Flags = muted ? FlagMute : 0;
        settings.Frequency = ToneHz;
        settings.Amplitude = ToneAmplitude;
    }
    PublishChannel(stream, -1);
    if (!StartOutput(stream)) {
        std::fprintf(stderr, "the start failed\n");
        return false;
    }
    return true;
}

int Play(int sinkId, int bufferMs, int seconds) {
    const auto driver = CreatePulseWaveOutDriver();
    OutputStream stream;
    if (!StartTone(stream, driver.get(), sinkId, bufferMs, false)) {
        return 2;
    }
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    const StreamStatus status = ReadStreamStatus(stream);
    StopOutput(stream);
    std::printf("dropouts %llu\n", static_cast<unsigned long long>(status.Dropouts));
    return 0;
}

int Sine(int seconds) {
    std::vector<std::int16_t> frames;
    for (long n = 0; n < static_cast<long>(seconds) * Rate; ++n) {
        const double value = ToneAmplitude * std::sin(2 * std::numbers::pi * ToneHz * n / Rate);
        const auto sample = static_cast<std::int16_t>(std::lround(value * 32767));
        frames.push_back(sample);
        frames.push_back(sample);
    }
    std::fwrite(frames.data(), sizeof(std::int16_t), frames.size(), stdout);
    return 0;
}

int Gaps(const char* path) {
    std::ifstream file(path, std::ios::binary);
    const std::vector<char> bytes{std::istreambuf_iterator<char>(file), {}};
    std::vector<std::int16_t> samples(bytes.size() / 2);
    std::copy_n(bytes.data(), samples.size() * 2, reinterpret_cast<char*>(samples.data()));
    const std::size_t frames = samples.size() / 2;
    const auto silent = [&](std::size_t frame) {
        return samples[2 * frame] == 0 && samples[2 * frame + 1] == 0;
    };
    std::size_t first = 0, last = frames;
    while (first < frames && silent(first)) {
        ++first;
    }
    while (last > first && silent(last - 1)) {
        --last;
    }
    // A 1 kHz sine is never silent for 1 ms; anything that is, is a gap.
    constexpr std::size_t ShortestGap = Rate / 1000;
    std::size_t gaps = 0, gapFrames = 0, run = 0;
    for (std::size_t frame = first; frame <= last; ++frame) {
        if (frame < last && silent(frame)) {
            ++run;
            continue;
        }
        if (run >= ShortestGap) {
            ++gaps;
            gapFrames += run;
        }
        run = 0;
    }
    std::printf("%zu %.0f\n", gaps, gapFrames * 1000.0 / Rate);
    return 0;
}

// Records a sink's monitor in 5 ms pieces and notes when the first loud frame after a mark was
// captured.
class OnsetListener {
  public:
    explicit OnsetListener(const std::string& sink) {
        const pa_sample_spec format{PA_SAMPLE_S16LE, Rate, 2};
        pa_buffer_attr attr{};
        attr.maxlength = static_cast<std::uint32_t>(-1);
        attr.fragsize = Rate / 200 * 4;
        const std::string monitor = sink + ".monitor";
        simple_ = pa_simple_new(nullptr, "tonquelle-bench", PA_STREAM_RECORD, monitor.c_str(),
                                "onset", &format, nullptr, &attr, nullptr);
        if (simple_ != nullptr) {
            thread_ = std::thread([this] { Listen(); });
        }
    }
    ~OnsetListener() {
        stop_ = true;
        if (thread_.joinable()) {
            thread_.join();
        }
        if (simple_ != nullptr) {
            pa_simple_free(simple_);
        }
    }
    bool Ok() const { return simple_ != nullptr; }

    // From now on, the capture time of the first loud frame is kept.
    void Arm() {
        const std::lock_guard lock(mutex_);
        armed_ = true;
        onset_.reset();
    }
    std::optional<Clock::time_point> Onset() {
        const std::lock_guard lock(mutex_);
        return onset_;
    }

  private:
    void Listen() {
        std::vector<std::int16_t> chunk(Rate / 200 * 2);
        while (!stop_) {
            if (pa_simple_read(simple_, chunk.data(), chunk.size() * 2, nullptr) < 0) {
                return;
            }
            // The last frame read was captured this long ago.
            const pa_usec_t latency = pa_simple_get_latency(simple_, nullptr);
            const Clock::time_point lastCaptured =
                Clock::now() - std::chrono::microseconds(latency);
            const std::size_t frames = chunk.size() / 2;
            for (std::size_t f = 0; f < frames; ++f) {
                if (std::abs(chunk[2 * f]) > 0.05 * 32767) {
                    Loud(lastCaptured -
                         std::chrono::microseconds((frames - 1 - f) * 1000000 / Rate));
                    break;
                }
            }
        }
    }
    void Loud(Clock::time_point captured) {
        const std::lock_guard lock(mutex_);
        if (armed_) {
            armed_ = false;
            onset_ = captured;
        }
    }

    pa_simple* simple_ = nullptr;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    bool armed_ = false;
    std::optional<Clock::time_point> onset_;
};

int Latency(int sinkId, int bufferMs, const std::string& sinkName, int repeats) {
    const auto driver = CreatePulseWaveOutDriver();
    OnsetListener listener(sinkName);
    if (!listener.Ok()) {
        std::fprintf(stderr, "no sound server\n");
        return 2;
    }
    OutputStream stream;
    if (!StartTone(stream, driver.get(), sinkId, bufferMs, true)) {
        return 2;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1000 + 2 * bufferMs));
    std::mt19937 random(1);
    std::uniform_int_distribution<int> phase(0, bufferMs);
    std::vector<double> heard;
    for (int r = 0; r < repeats; ++r) {
        // Edits fall at every point of a buffer's period.
        std::this_thread::sleep_for(std::chrono::milliseconds(phase(random)));
        listener.Arm();
        const Clock::time_point edited = Clock::now();
        stream.Channels[0].EditSettings.Flags = 0;
        PublishChannel(stream, 0);
        const Clock::time_point giveUp = edited + std::chrono::milliseconds(4 * bufferMs + 1000);
        while (!listener.Onset() && Clock::now() < giveUp) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        if (const auto onset = listener.Onset()) {
            heard.push_back(std::chrono::duration<double, std::milli>(*onset - edited).count());
        }
        stream.Channels[0].EditSettings.Flags = FlagMute;
        PublishChannel(stream, 0);
        std::this_thread::sleep_for(std::chrono::milliseconds(3 * bufferMs + 200));
    }
    StopOutput(stream);
    if (heard.empty()) {
        std::fprintf(stderr, "nothing heard\n");
        return 2;
    }
    std::sort(heard.begin(), heard.end());
    std::printf("%.0f %.0f %.0f\n", heard.front(), heard[heard.size() / 2], heard.back());
    return 0;
}

}  // namespace
}  // namespace tonquelle

int main(int argc, char** argv) {
    using namespace tonquelle;
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "play" && argc == 5) {
        return Play(std::atoi(argv[2]), std::atoi(argv[3]), std::atoi(argv[4]));
    }
    if (mode == "sine" && argc == 3) {
        return Sine(std::atoi(argv[2]));
    }
    if (mode == "gaps" && argc == 3) {
        return Gaps(argv[2]);
    }
    if (mode == "latency" && argc == 6) {
        return Latency(std::atoi(argv[2]), std::atoi(argv[3]), argv[4], std::atoi(argv[5]));
    }
    std::fprintf(stderr,
                 "usage: %s play <sink id> <buffer ms> <seconds> | sine <seconds> | gaps <file> "
                 "| latency <sink id> <buffer ms> <sink name> <repeats>\n",
                 argv[0]);
    return 2;
}
