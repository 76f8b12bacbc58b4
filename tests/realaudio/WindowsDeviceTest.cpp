// The Windows device layer, as the Windows build plays under wine64: its WASAPI output goes to
// the private PulseAudio server, whose sinks Wine shows as Windows devices. A program of the
// Windows build (tests/windows/PlayTones.cpp, run through its launcher "play-tones") plays with
// the program's engine; this side records the sinks' monitors and checks what each speaker got.
//
// Needs TONQUELLE_WINDOWS_PLAY_TONES, the launcher of a Windows build (test.sh's Windows stage
// sets it); skipped without it.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "records/WaveRefusal.h"
#include "tests/realaudio/RealAudio.h"

namespace tonquelle::test {
namespace {

using namespace std::chrono_literals;

// What the Windows program printed and how it ended.
struct PlayerRun {
    int Status = -1;
    std::vector<std::string> Devices{};  // "<id> <name>", in list order
    bool Played = false;
    WaveRefusal Refusal{};
};

std::string PlayerCommand() {
    const char* launcher = std::getenv("TONQUELLE_WINDOWS_PLAY_TONES");
    return launcher != nullptr ? launcher : "";
}

PlayerRun ReadPlayerOutput(const std::string& output, int status) {
    PlayerRun run{.Status = status};
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();  // a Windows program's text output ends its lines so
        }
        if (line.rfind("device ", 0) == 0) {
            run.Devices.push_back(line.substr(7));
        } else if (line == "playing") {
            run.Played = true;
        } else if (unsigned kind = 0;
                   std::sscanf(line.c_str(), "refused %u %x %d", &kind,
                               &run.Refusal.MissingSpeakers, &run.Refusal.DeviceChannels) == 3) {
            run.Refusal.Kind = static_cast<WaveRefusalKind>(kind);
        }
    }
    return run;
}

// Runs the Windows program under Wine: `device` ("-": the default output) with `mask`, 16 bits
// unless given, one tone per channel for `playMs`. Bounded to a minute.
PlayerRun Play(const std::string& device, std::uint32_t mask, const std::vector<Tone>& tones,
               int bits = 16, int rate = 44100, int playMs = 1500) {
    std::string command = "timeout -k 5 60 '" + PlayerCommand() + "' '" + device + "' " +
                          std::to_string(mask) + " " + std::to_string(rate) + " " +
                          std::to_string(bits) + " 100 " + std::to_string(playMs);
    for (const Tone& tone : tones) {
        command += " " + std::to_string(tone.Frequency) + ":" + std::to_string(tone.Amplitude);
    }
    std::string output;
    FILE* const pipe = popen((command + " 2>&1").c_str(), "r");
    char chunk[4096];
    for (std::size_t got; pipe != nullptr && (got = fread(chunk, 1, sizeof chunk, pipe)) > 0;) {
        output.append(chunk, got);
    }
    const int status = pipe != nullptr ? pclose(pipe) : -1;
    PlayerRun run = ReadPlayerOutput(output, WIFEXITED(status) ? WEXITSTATUS(status) : -1);
    EXPECT_TRUE(run.Status == 0 || run.Status == 3) << command << "\n" << output;
    return run;
}

class WindowsDevice : public ::testing::Test {
  protected:
    void SetUp() override {
        if (PlayerCommand().empty()) {
            GTEST_SKIP() << "no Windows build: TONQUELLE_WINDOWS_PLAY_TONES names its launcher "
                            "(tools/windows/build.sh; test.sh's Windows stage sets it)";
        }
        ASSERT_TRUE(UsePrivateServer()) << "no private PulseAudio server (run through ctest)";
    }
};

// Per case: the device by name, the mask and resolution, one tone per channel, the sink
// recorded and what each of its monitor channels must hear (stereo: FL FR; 7.1: FL FR FC LFE
// RL RR SL SR). Wine reports the 7.1 sink's rear pair as Windows' back speakers (bits 4, 5) and
// its side pair as the side speakers (bits 9, 10).
struct WindowsToneCase {
    std::string device;
    std::uint32_t mask;
    int bits;
    int rate;
    std::vector<Tone> played;
    MonitorSink sink;
    std::vector<Tone> heard;
};

TEST_F(WindowsDevice, ChannelKOfTheMaskSoundsOnItsSpeakerThroughWasapi) {
    const Tone a{300, 0.5}, b{400, 0.4}, c{500, 0.3}, d{600, 0.2}, _{};
    const std::vector<Tone> eight = {{200, 0.4}, {250, 0.4}, {300, 0.4}, {350, 0.4},
                                     {400, 0.4}, {450, 0.4}, {500, 0.4}, {550, 0.4}};
    const std::vector<WindowsToneCase> cases = {
        {"TestSurround", 0x63F, 16, 44100, eight, SurroundSink, eight},
        {"TestSurround", 0x33, 32, 44100, {a, b, c, d}, SurroundSink, {a, b, _, _, c, d, _, _}},
        {"TestSurround", 0x604, 24, 48000, {a, b, c}, SurroundSink, {_, _, a, _, _, _, b, c}},
        {"-", 0x3, 8, 44100, {a, d}, StereoSink, {a, d}},  // the default output
    };
    for (const WindowsToneCase& test : cases) {
        SCOPED_TRACE(::testing::Message() << test.device << ", mask 0x" << std::hex << test.mask);
        MonitorRecorder recorder;
        ASSERT_TRUE(recorder.Start(test.sink));
        std::this_thread::sleep_for(300ms);  // parec connects
        EXPECT_TRUE(Play(test.device, test.mask, test.played, test.bits, test.rate).Played);
        const Recording recording = recorder.Stop();
        ExpectTones(recording, FirstLoudFrame(recording, 0.01) + 44100 * 15 / 100, test.heard);
    }
}

// Windows shows each device under MME and under WASAPI, in an order that changes from run to
// run: the list holds one host API, each sink once (the two sinks Wine names "Null Output"
// numbered), after the default output.
TEST_F(WindowsDevice, TheListShowsEachDeviceOnceAndAMaskTheDeviceLacksIsRefusedWithTheReason) {
    const PlayerRun refused = Play("TestStereo", 0x14, {{300, 0.5}, {500, 0.5}});
    EXPECT_FALSE(refused.Played);
    EXPECT_EQ(refused.Status, 3);
    EXPECT_EQ(refused.Refusal,
              (WaveRefusal{.Kind = WaveRefusalKind::MissingSpeakers, .MissingSpeakers = 0x14}));
    const PlayerRun tooMany = Play("TestStereo", 0x7, {{300, 0.5}, {400, 0.5}, {500, 0.5}});
    EXPECT_EQ(tooMany.Refusal,
              (WaveRefusal{.Kind = WaveRefusalKind::TooManyChannels, .DeviceChannels = 2}));

    std::vector<std::string> names;
    for (const std::string& entry : refused.Devices) {
        names.push_back(entry.substr(entry.find(' ') + 1));
    }
    ASSERT_FALSE(names.empty());
    EXPECT_EQ(refused.Devices.front().substr(0, 3), "-1 ");
    for (const char* sink : {"TestStereo", "TestSurround", "Null Output", "Null Output (2)"}) {
        EXPECT_EQ(std::count(names.begin(), names.end(), sink), 1) << sink;
    }
    std::vector<std::string> sorted = names;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(std::adjacent_find(sorted.begin(), sorted.end()), sorted.end());
}

}  // namespace
}  // namespace tonquelle::test
