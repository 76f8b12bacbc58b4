// The program itself, as a person uses it: tonquelle runs on a private X server and plays into
// the private sound server's 7.1 null sink; xdotool presses Ctrl+R, clicks "OK", clicks a
// mute box and types a frequency or a level; the sink's monitor tells what was heard on which
// speaker, and how loud.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "tests/realaudio/RealAudio.h"

namespace tonquelle::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr int BufferMs = 100;
constexpr int BackRight = 5;  // monitor channels: FL FR FC LFE RL RR SL SR

// Runs xdotool with `args` (bounded to ten seconds); its exit status, `output` its stdout.
int Xdotool(const std::string& args, std::string* output = nullptr) {
    std::string ignored;
    output = output != nullptr ? output : &ignored;
    FILE* const pipe = popen(("timeout 10 xdotool " + args + " 2>/dev/null").c_str(), "r");
    char chunk[4096];
    for (std::size_t got; pipe != nullptr && (got = fread(chunk, 1, sizeof chunk, pipe)) > 0;) {
        output->append(chunk, got);
    }
    const int result = pipe != nullptr ? pclose(pipe) : -1;
    return result != -1 && WIFEXITED(result) ? WEXITSTATUS(result) : -1;
}

// (mousemove --sync would wait forever when the pointer is already there: a dialog opened
// again at the same place.)
void ClickAt(int x, int y) {
    EXPECT_EQ(
        Xdotool("mousemove " + std::to_string(x) + " " + std::to_string(y) + " sleep 0.1 click 1"),
        0);
}

struct WindowBox {
    int Id = 0, X = 0, Y = 0, Width = 0, Height = 0;
};

// Waits up to ten seconds for a visible window titled `title`; Id 0 when none appeared.
WindowBox FindWindow(const std::string& title) {
    std::string shell;
    Xdotool("search --sync --onlyvisible --name '^" + title + "$' getwindowgeometry --shell",
            &shell);
    WindowBox box;
    std::sscanf(shell.c_str(), "WINDOW=%d X=%d Y=%d WIDTH=%d HEIGHT=%d", &box.Id, &box.X, &box.Y,
                &box.Width, &box.Height);
    return box;
}

// Home, configuration and runtime folder of the program, private (0700) to this test.
struct PrivateFolder {
    char path[32] = "/tmp/tonquelle-panels.XXXXXX";
    bool made = mkdtemp(path) != nullptr;
    ~PrivateFolder() { fs::remove_all(path); }
};

// The program in `folder` with `settings` as its settings file, under the private X server;
// its main window once it shows.
WindowBox StartProgram(ChildProcess& program, const std::string& folder,
                       const std::string& settings) {
    // The program keeps its settings next to itself: a copy here reads this configuration.
    fs::copy_file(TONQUELLE_PROGRAM, folder + "/tonquelle");
    std::ofstream(folder + "/tonquelle.ini") << settings;
    EXPECT_TRUE(
        program.Start({"env", "QT_QPA_PLATFORM=xcb", "HOME=" + folder, "XDG_CONFIG_HOME=" + folder,
                       "XDG_RUNTIME_DIR=" + folder, folder + "/tonquelle"}));
    return FindWindow("Tonquelle");
}

// Waits up to `seconds` for the device dialog to be shown (`shown`) or gone.
bool WaitForDialog(bool shown, int seconds) {
    for (int wait = 0; wait < seconds * 10; ++wait, std::this_thread::sleep_for(100ms)) {
        const bool visible =
            Xdotool("search --onlyvisible --name '^Ausgabegerät konfigurieren$'") == 0;
        if (visible == shown) {
            return true;
        }
    }
    return false;
}

// Ctrl+R in the main window, then "OK" in the device dialog: true once the dialog is gone (the
// generator runs).
bool StartGenerator(const WindowBox& main) {
    // Without a window manager a focus request is not always confirmed: ask, then press.
    EXPECT_EQ(Xdotool("windowfocus " + std::to_string(main.Id) + " sleep 0.3 key ctrl+r"), 0);
    const WindowBox dialog = FindWindow("Ausgabegerät konfigurieren");
    if (dialog.Id == 0) {
        ADD_FAILURE() << "Ctrl+R did not open the device dialog";
        return false;
    }
    ClickAt(dialog.X + 210 + 50, dialog.Y + 225 + 10);  // "OK"
    return WaitForDialog(false, 10);
}

// Tonquelle running from a private folder with 16-bit buffers of 100 ms on back left and right
// (mask 48) of "TestSurround" (device 1), its generator started with Ctrl+R and "OK", and the
// sink's monitor being recorded.
class PanelProgram : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(UsePrivateServer()) << "no private sound server (run through ctest)";
        ASSERT_TRUE(folder_.made);
        main_ = StartProgram(process_, folder_.path,
                             "[OutputDevice]\nOutputDevice=1\nSampleRate=44100\nResolution=16\n"
                             "BufferLength=" +
                                 std::to_string(BufferMs) + "\nChannelMask=48\n");
        ASSERT_NE(main_.Id, 0) << "the main window did not appear";
        // Without a window manager the window has no frame: menu bar plus the 415-pixel client
        // area.
        top_ = main_.Y + main_.Height - 415;
        ASSERT_GT(top_, main_.Y);
        ASSERT_TRUE(StartGenerator(main_)) << "the generator did not start";
        std::this_thread::sleep_for(500ms);
        ASSERT_TRUE(recorder_.Start(SurroundSink));
        recordingStart_ = std::chrono::steady_clock::now();
    }

    // A point of panel `panel`, relative to its frame's top-left corner.
    void ClickInPanel(int panel, int x, int y) const {
        ClickAt(main_.X + 5 + x, top_ + 5 + 205 * panel + y);
    }
    // Frames of 44100 Hz recorded so far.
    std::size_t FramesRecorded() const {
        return static_cast<std::size_t>(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - recordingStart_)
                .count() *
            44100);
    }
    // What the monitor heard; the program must still run.
    Recording StopRecording() {
        Recording recording = recorder_.Stop();
        EXPECT_TRUE(process_.Running()) << "the program ended early";
        return recording;
    }

    PrivateFolder folder_;
    ChildProcess process_;
    WindowBox main_;
    int top_ = 0;  // the client area's top
    MonitorRecorder recorder_;
    std::chrono::steady_clock::time_point recordingStart_;
};

TEST_F(PanelProgram, UnmutedChannelIsHeardOnItsSpeakerAndFollowsTypedFrequency) {
    std::this_thread::sleep_for(1s);
    // Second panel ("Kanal 2 (Back Right)"): mute box at (10, 120), 128 x 20.
    const std::size_t clicked = FramesRecorded();
    ClickInPanel(1, 10 + 50, 120 + 10);
    std::this_thread::sleep_for(1s);
    // Its frequency field at (215, 170), 65 x 20: select all, type, Enter.
    ClickInPanel(1, 215 + 30, 170 + 10);
    EXPECT_EQ(Xdotool("key ctrl+a type --delay 50 1000"), 0);
    EXPECT_EQ(Xdotool("key Return"), 0);
    const std::size_t typed = FramesRecorded();
    std::this_thread::sleep_for(1s);
    const Recording recording = StopRecording();

    // Silent until the click, then heard within two buffer lengths; the margin covers the sound
    // server's and the recorder's latency and the delivery of the click.
    const std::size_t onset = FirstLoudFrame(recording, 0.05);
    ASSERT_LT(onset, recording.Frames()) << "nothing was heard";
    EXPECT_GT(onset, 44100u / 2);
    const double latency = (static_cast<double>(onset) - clicked) / 44100;
    RecordProperty("latency_ms", static_cast<int>(latency * 1000));
    EXPECT_LT(latency, 2 * BufferMs / 1000.0 + 0.1) << "heard " << latency << " s after the click";
    // 440 Hz at -20 dB (amplitude 0.1) on the back-right speaker only, then 1000 Hz there.
    std::vector<Tone> heard(8);
    heard[BackRight] = {440.0, 0.1};
    ExpectTones(recording, onset + 44100 / 10, heard, 2.0 / 440, 0.5);
    heard[BackRight].Frequency = 1000.0;
    ExpectTones(recording, typed + 44100 * 4 / 10, heard, 4.0 / 1000, 0.5);
}

// Typing a lower level into a playing channel's dB field at a normal pace (about seven keys a
// second), or clearing the field and then typing, never plays louder than the level set before:
// neither the lone "-" (0 dB) nor "-4" on the way to "-40" is heard. "NaN" as the amplitude is
// silence, without DC.
TEST_F(PanelProgram, TypingALowerLevelNeverPlaysLouderAndNaNIsSilence) {
    ClickInPanel(1, 10 + 50, 120 + 10);  // unmute "Kanal 2": 440 Hz at -20 dB
    std::this_thread::sleep_for(1s);
    // Its amplitude field at (525, 170), 65 x 20.
    ClickInPanel(1, 525 + 30, 170 + 10);
    EXPECT_EQ(Xdotool("key ctrl+a key --delay 150 minus 4 0"), 0);
    const std::size_t typed40 = FramesRecorded();
    std::this_thread::sleep_for(1500ms);
    EXPECT_EQ(Xdotool("key ctrl+a BackSpace"), 0);
    const std::size_t cleared = FramesRecorded();
    std::this_thread::sleep_for(1s);
    EXPECT_EQ(Xdotool("key --delay 150 minus 3 0"), 0);
    const std::size_t typed30 = FramesRecorded();
    std::this_thread::sleep_for(1500ms);
    EXPECT_EQ(Xdotool("key ctrl+a type NaN"), 0);
    EXPECT_EQ(Xdotool("key Return"), 0);
    const std::size_t typedNaN = FramesRecorded();
    std::this_thread::sleep_for(1s);
    const Recording recording = StopRecording();

    const std::size_t onset = FirstLoudFrame(recording, 0.05);
    ASSERT_LT(onset, recording.Frames()) << "nothing was heard";
    // -20 dB is 0.1 of full scale, the code 3277 at most; no sample on any speaker goes beyond.
    int peak = 0;
    for (const std::int16_t sample : recording.Samples) {
        peak = std::max(peak, std::abs(static_cast<int>(sample)));
    }
    RecordProperty("peak", peak);
    EXPECT_LE(peak, 3277) << "peak " << peak / 32767.0 << " of full scale";
    // A typed value plays half a second after its last key, at most two buffers later.
    std::vector<Tone> heard(8);
    heard[BackRight] = {440.0, 0.1};
    ExpectTones(recording, onset + 44100 / 10, heard, 2.0 / 440, 0.5);
    heard[BackRight].Amplitude = 0.01;
    ExpectTones(recording, typed40 + 44100 * 8 / 10, heard, 2.0 / 440, 0.5);
    ExpectTones(recording, cleared + 44100 * 4 / 10, heard, 2.0 / 440, 0.5);  // still -40 dB
    heard[BackRight].Amplitude = std::pow(10.0, -1.5);
    ExpectTones(recording, typed30 + 44100 * 8 / 10, heard, 2.0 / 440, 0.5);
    heard[BackRight] = {};
    ExpectTones(recording, typedNaN + 44100 * 4 / 10, heard);  // silence: RMS, DC included
}

}  // namespace
}  // namespace tonquelle::test
