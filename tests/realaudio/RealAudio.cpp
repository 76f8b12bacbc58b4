#include "tests/realaudio/RealAudio.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <numeric>

extern char** environ;

namespace tonquelle::test {

bool UsePrivateServer() {
    const char* stateFile = std::getenv("TONQUELLE_PULSE_STATE");
    std::ifstream state(stateFile != nullptr ? stateFile : "");
    std::string folder;
    if (!std::getline(state, folder) || folder.empty()) {
        return false;
    }
    setenv("PULSE_SERVER", ("unix:" + folder + "/native").c_str(), 1);
    setenv("ALSA_CONFIG_PATH", (folder + "/asound.conf").c_str(), 1);
    return true;
}

namespace {

bool RunFixture(const char* command) {
    const char* stateFile = std::getenv("TONQUELLE_PULSE_STATE");
    if (stateFile == nullptr) {
        return false;
    }
    const std::string line =
        std::string(TONQUELLE_FIXTURE_SCRIPT) + " " + command + " " + stateFile + " >/dev/null";
    return std::system(line.c_str()) == 0;
}

}  // namespace

bool KillPrivateServer() {
    return RunFixture("kill");
}

bool RestartPrivateServer() {
    return RunFixture("restart");
}

bool ChildProcess::Start(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const std::string& arg : args) {
        argv.push_back(const_cast<char*>(arg.c_str()));
    }
    argv.push_back(nullptr);
    if (posix_spawnp(&pid_, argv[0], nullptr, nullptr, argv.data(), environ) != 0) {
        pid_ = -1;
    }
    return pid_ > 0;
}

bool ChildProcess::Running() {
    if (pid_ > 0 && waitpid(pid_, nullptr, WNOHANG) != 0) {
        pid_ = -1;  // ended and reaped: nothing left to signal
    }
    return pid_ > 0;
}

void ChildProcess::Stop() {
    if (Running()) {
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }
}

bool MonitorRecorder::Start(const MonitorSink& sink) {
    channels_ = sink.Channels;
    file_ = std::filesystem::temp_directory_path() /
            ("tonquelle-monitor." + std::to_string(getpid()) + ".raw");
    // parec writes its raw frames to the file named last.
    return parec_.Start({"parec", std::string("--device=") + sink.Name + ".monitor",
                         "--format=s16le", "--rate=44100",
                         "--channels=" + std::to_string(sink.Channels),
                         std::string("--channel-map=") + sink.Map, "--latency-msec=20", file_});
}

Recording MonitorRecorder::Stop() {
    parec_.Stop();
    std::ifstream file(file_, std::ios::binary);
    const std::vector<char> bytes{std::istreambuf_iterator<char>(file), {}};
    std::filesystem::remove(file_);
    Recording recording{channels_, {}};
    recording.Samples.resize(bytes.size() / (2 * recording.Channels) * recording.Channels);
    std::copy_n(bytes.data(), recording.Samples.size() * 2,
                reinterpret_cast<char*>(recording.Samples.data()));
    return recording;
}

std::size_t FirstLoudFrame(const Recording& recording, double threshold) {
    const auto& samples = recording.Samples;  // Frames() when none is loud
    const auto loud = std::find_if(samples.begin(), samples.end(), [&](std::int16_t sample) {
        return std::abs(sample) > threshold * 32767.0;
    });
    return static_cast<std::size_t>(loud - samples.begin()) / recording.Channels;
}

double MeasureFrequency(const std::vector<double>& signal) {
    double first = 0.0, last = 0.0;
    int crossings = 0;
    for (std::size_t i = 1; i < signal.size(); ++i) {
        if (signal[i - 1] < 0.0 && signal[i] >= 0.0) {
            last = (i - 1) + signal[i - 1] / (signal[i - 1] - signal[i]);
            first = crossings++ == 0 ? last : first;
        }
    }
    return crossings < 2 ? 0.0 : (crossings - 1) * 44100.0 / (last - first);
}

double MeasureRms(const std::vector<double>& signal) {
    return std::sqrt(std::inner_product(signal.begin(), signal.end(), signal.begin(), 0.0) /
                     static_cast<double>(signal.size()));
}

void ExpectTones(const Recording& recording, std::size_t first, const std::vector<Tone>& expected,
                 double relativeHz, double levelDb) {
    ASSERT_EQ(static_cast<std::size_t>(recording.Channels), expected.size());
    ASSERT_LE(first + 22050, recording.Frames()) << "too little recorded";
    for (std::int32_t channel = 0; channel < recording.Channels; ++channel) {
        SCOPED_TRACE(::testing::Message() << "monitor channel " << channel);
        std::vector<double> signal;
        for (std::size_t frame = first; frame < first + 22050; ++frame) {
            signal.push_back(recording.Samples[frame * recording.Channels + channel] / 32767.0);
        }
        const Tone& tone = expected[static_cast<std::size_t>(channel)];
        if (tone.Frequency == 0.0) {
            EXPECT_LT(MeasureRms(signal), 0.001);
            continue;
        }
        EXPECT_NEAR(MeasureFrequency(signal), tone.Frequency, tone.Frequency * relativeHz);
        // A sine of peak amplitude A has the RMS A / sqrt(2).
        EXPECT_NEAR(20.0 * std::log10(MeasureRms(signal) * std::sqrt(2.0) / tone.Amplitude), 0.0,
                    levelDb);
    }
}

}  // namespace tonquelle::test
