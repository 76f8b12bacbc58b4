#include "tests/realaudio/MonitorRecorder.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>

extern char** environ;

namespace tonquelle::test {

MonitorRecorder::MonitorRecorder(std::string sink, std::string channelMap, int channels,
                                 int sampleRate)
    : sink_(std::move(sink)),
      channelMap_(std::move(channelMap)),
      channels_(channels),
      sampleRate_(sampleRate) {}

MonitorRecorder::~MonitorRecorder() {
    if (pid_ > 0) {
        Stop();
    }
}

bool MonitorRecorder::Start() {
    int ends[2];
    if (pipe(ends) != 0) {
        return false;
    }
    std::vector<std::string> args = {"parec",
                                     "--device=" + sink_ + ".monitor",
                                     "--format=s16le",
                                     "--rate=" + std::to_string(sampleRate_),
                                     "--channels=" + std::to_string(channels_),
                                     "--channel-map=" + channelMap_,
                                     "--latency-msec=20"};
    std::vector<char*> argv;
    for (std::string& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, ends[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, ends[0]);
    posix_spawn_file_actions_addclose(&actions, ends[1]);
    const int spawned = posix_spawnp(&pid_, "parec", &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(ends[1]);
    if (spawned != 0) {
        pid_ = -1;
        close(ends[0]);
        return false;
    }
    pipe_ = ends[0];
    reader_ = std::thread([this] {
        char chunk[16384];
        for (;;) {
            const ssize_t got = read(pipe_, chunk, sizeof chunk);
            if (got <= 0) {
                return;
            }
            bytes_.insert(bytes_.end(), chunk, chunk + got);
        }
    });
    return true;
}

Recording MonitorRecorder::Stop() {
    Recording recording;
    recording.Channels = channels_;
    recording.SampleRate = sampleRate_;
    if (pid_ <= 0) {
        return recording;
    }
    kill(pid_, SIGTERM);
    reader_.join();
    int status = 0;
    waitpid(pid_, &status, 0);
    close(pipe_);
    pid_ = -1;
    const std::size_t frameBytes = 2 * static_cast<std::size_t>(channels_);
    recording.Samples.resize(bytes_.size() / frameBytes * channels_);
    std::memcpy(recording.Samples.data(), bytes_.data(), recording.Samples.size() * 2);
    return recording;
}

}  // namespace tonquelle::test
