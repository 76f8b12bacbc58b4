// The program itself, as a person uses it: tonquelle runs on a private X server and plays into
// the private PulseAudio server's 7.1 null sink; xdotool presses Ctrl+R, clicks "OK", clicks a
// mute box and types a frequency; the sink's monitor tells what was heard on which speaker.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "tests/realaudio/MonitorRecorder.h"
#include "tests/realaudio/PanelDesktop.h"
#include "tests/realaudio/TestServer.h"
#include "tests/realaudio/ToneAnalysis.h"

namespace tonquelle::test {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int SampleRate = 44100;
constexpr int BufferMs = 100;
// Monitor channels of the 7.1 sink: FL FR FC LFE RL RR SL SR.
constexpr int MonitorChannels = 8;
constexpr int BackRight = 5;

double SecondsBetween(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double>(to - from).count();
}

void Pause(int milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

void Xdotool(std::vector<std::string> args) {
    args.insert(args.begin(), "xdotool");
    int status = 0;
    RunCommand(args, &status);
    EXPECT_EQ(status, 0) << "xdotool " << args[1];
}

void ClickAt(int x, int y) {
    Xdotool({"mousemove", "--sync", std::to_string(x), std::to_string(y), "click", "1"});
}

class PanelProgram : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string why;
        ASSERT_TRUE(UsePrivateServer(why)) << why;
        folder_ = fs::temp_directory_path() /
                  ("tonquelle-panels." + std::to_string(static_cast<long>(getpid())));
        fs::remove_all(folder_);
        fs::create_directories(folder_ / "home");
        fs::create_directories(folder_ / "runtime");
        fs::permissions(folder_ / "runtime", fs::perms::owner_all);
        // The program keeps its settings next to itself: a copy in the test's folder reads the
        // configuration below and writes nowhere else.
        fs::copy_file(TONQUELLE_PROGRAM, folder_ / "tonquelle");
        std::ofstream(folder_ / "tonquelle.ini")
            << "[OutputDevice]\nOutputDevice=1\nSampleRate=" << SampleRate
            << "\nResolution=16\nBufferLength=" << BufferMs
            << "\nChannelMask=48\n";  // back left and back right of "TestSurround" (device 1)
        ASSERT_TRUE(display_.Start()) << "Xvfb did not start";
    }

    void TearDown() override {
        program_.Stop();
        display_.Stop();
        fs::remove_all(folder_);
    }

    bool StartProgram() {
        return program_.Start({(folder_ / "tonquelle").string()},
                              {"QT_QPA_PLATFORM=xcb", "HOME=" + (folder_ / "home").string(),
                               "XDG_CONFIG_HOME=" + (folder_ / "home").string(),
                               "XDG_RUNTIME_DIR=" + (folder_ / "runtime").string()},
                              (folder_ / "program.log").string());
    }

    fs::path folder_;
    PrivateDisplay display_;
    ChildProcess program_;
};

TEST_F(PanelProgram, UnmutedChannelIsHeardOnItsSpeakerAndFollowsTypedFrequency) {
    ASSERT_TRUE(StartProgram());
    const WindowBox main = FindWindow("^Tonquelle$");
    ASSERT_FALSE(main.Id.empty()) << "the main window did not appear";
    // Without a window manager the window has no frame: its height is the menu bar's plus the
    // client area's 415 pixels.
    const int menuBar = main.Height - 415;
    ASSERT_GT(menuBar, 0);
    Xdotool({"windowfocus", "--sync", main.Id});
    Xdotool({"key", "ctrl+r"});
    const WindowBox dialog = FindWindow("^Ausgabegerät konfigurieren$");
    ASSERT_FALSE(dialog.Id.empty()) << "Ctrl+R did not open the device dialog";
    ClickAt(dialog.X + 210 + 50, dialog.Y + 225 + 10);  // "OK"
    ASSERT_TRUE(WaitUntilGone("^Ausgabegerät konfigurieren$")) << "the generator did not start";
    Pause(500);

    MonitorRecorder recorder(SurroundSink, SurroundMap, MonitorChannels, SampleRate);
    ASSERT_TRUE(recorder.Start());
    const Clock::time_point recordingStart = Clock::now();
    Pause(1000);
    // Second panel ("Kanal 2 (Back Right)"), mute check box: frame at (5, 5 + 205), box at
    // (10, 120) in it, 200 x 20.
    const Clock::time_point clicked = Clock::now();
    ClickAt(main.X + 5 + 10 + 100, main.Y + menuBar + 5 + 205 + 120 + 10);
    Pause(1000);
    // Its frequency field at (215, 170), 65 x 20: select all and type.
    ClickAt(main.X + 5 + 215 + 30, main.Y + menuBar + 5 + 205 + 170 + 10);
    Xdotool({"key", "ctrl+a"});
    Xdotool({"type", "--delay", "50", "1000"});
    const Clock::time_point typed = Clock::now();
    Pause(1000);
    const Recording recording = recorder.Stop();
    EXPECT_TRUE(program_.Running()) << "the program ended early";

    const std::size_t onset = FirstLoudFrame(recording, 0.05);
    ASSERT_LT(onset, recording.Frames()) << "nothing was heard";
    // Silent until the click, then heard within two buffer lengths. The margin covers the
    // sound server's and the recorder's own latency and the delivery of the click.
    const double onsetSeconds = static_cast<double>(onset) / SampleRate;
    const double clickSeconds = SecondsBetween(recordingStart, clicked);
    EXPECT_GT(onsetSeconds, 0.5);
    const double latency = onsetSeconds - clickSeconds;
    RecordProperty("latency_ms", static_cast<int>(latency * 1000));
    EXPECT_LT(latency, 2 * BufferMs / 1000.0 + 0.1) << "heard " << latency << " s after the click";

    // After the click: 440 Hz at -20 dB on the back-right speaker only.
    const std::size_t steady = onset + SampleRate / 10;
    const std::size_t span = SampleRate / 2;
    for (int channel = 0; channel < MonitorChannels; ++channel) {
        SCOPED_TRACE(channel);
        const std::vector<double> heard = recording.Channel(channel, steady, span);
        if (channel == BackRight) {
            EXPECT_NEAR(MeasureFrequency(heard, SampleRate), 440.0, 2.0);
            EXPECT_NEAR(LevelDb(MeasureRms(heard), 1.0), -20.0, 0.5);
        } else {
            EXPECT_LT(MeasureRms(heard), 0.001);
        }
    }
    // After typing "1000": 1000 Hz on the same speaker.
    const std::size_t afterTyping =
        static_cast<std::size_t>((SecondsBetween(recordingStart, typed) + 0.4) * SampleRate);
    ASSERT_LT(afterTyping + SampleRate / 2, recording.Frames());
    EXPECT_NEAR(
        MeasureFrequency(recording.Channel(BackRight, afterTyping, SampleRate / 2), SampleRate),
        1000.0, 4.0);
    EXPECT_LT(MeasureRms(recording.Channel(4, afterTyping, SampleRate / 2)), 0.001);
}

}  // namespace
}  // namespace tonquelle::test
