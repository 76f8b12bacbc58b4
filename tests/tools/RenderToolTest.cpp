#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <numeric>
#include <string>
#include <tuple>
#include <vector>

#include "records/OutputStream.h"
#include "settings/SettingsStore.h"
#include "tests/render/ReferenceRenderer.h"
#include "tests/settings/TemporaryFolder.h"
#include "tests/support/SameBytes.h"
#include "tests/support/Spectrum.h"

namespace tonquelle {
namespace {

using testing::ReadBytes;
using testing::SameBytes;

// Exit code, standard error, standard output.
using Outcome = std::tuple<int, std::string, std::string>;

class RenderTool : public ::testing::Test {
  protected:
    void SetUp() override {
        MemorySlots slots;
        const auto channels = reference::Varied();  // the user shape's table given with --wave
        for (std::size_t c = 0; c < channels.size(); ++c)
            slots[3].Channels[c] = channels[c].Settings;
        ASSERT_TRUE(SaveSettings(folder_ / "tonquelle.ini", {-1, 44100, 16, 10, 15, 4}, slots));
        std::ofstream(folder_ / "wave.txt") << "0.5\n-1\n1\n0.25\n";
    }
    // Runs the shell text `command` in the folder, where $T is the tool and $B its options for
    // slot 3 of tonquelle.ini.
    Outcome Run(const std::string& command) {
        const auto out = streams_ / "out", err = streams_ / "err";
        const std::string script = "cd '" + folder_.Path().string() + "' && T='" +
                                   TONQUELLE_RENDER_TOOL +
                                   "' B='--settings tonquelle.ini --slot 3'; " + command + " >" +
                                   out.string() + " 2>" + err.string();
        const int status = std::system(script.c_str());
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadBytes(err), ReadBytes(out)};
    }
    std::string Out() const { return ReadBytes(folder_ / "out.wav"); }

    testing::TemporaryFolder folder_, streams_;  // streams_: the last run's outputs
};

TEST_F(RenderTool, HeaderDescribesEveryResolutionAndMask) {
    for (std::uint32_t bits : {8, 16, 24, 32})
        for (std::uint32_t mask : {0x4, 0x3, 0x33, 0x60A, 0xFF, 0x3FC00}) {
            SCOPED_TRACE(::testing::Message() << bits << " bits, mask " << mask);
            // 0.0101 s at 8000 Hz: 80.8 frames, 81 when rounded.
            const auto [code, errors, output] =
                Run("$T $B --seconds 0.0101 --rate 8000 --bits " + std::to_string(bits) +
                    " --mask " + std::to_string(mask) + " out.wav");
            ASSERT_EQ(code, 0) << errors;
            EXPECT_EQ(errors, "");
            const std::uint32_t blockAlign = std::popcount(mask) * bits / 8;
            const std::uint32_t dataBytes = 81 * blockAlign, pad = dataBytes % 2;
            std::string header;
            const auto put = [&header](std::uint32_t value, int bytes) {
                for (int i = 0; i < bytes; ++i)
                    header += static_cast<char>(value >> 8 * i);
            };
            header = "RIFF", put(60 + dataBytes + pad, 4), header += "WAVEfmt ", put(40, 4);
            put(0xFFFE, 2), put(std::popcount(mask), 2), put(8000, 4), put(8000 * blockAlign, 4);
            put(blockAlign, 2), put(bits, 2), put(22, 2), put(bits, 2), put(mask, 4);
            put(1, 4), put(0x00100000, 4), put(0xAA000080, 4), put(0x719B3800, 4);  // PCM GUID
            header += "data", put(dataBytes, 4);
            const std::string file = Out();
            ASSERT_EQ(file.size(), 68 + dataBytes + pad);
            EXPECT_EQ(file.substr(0, 68), header);
            EXPECT_TRUE(!pad || file.back() == 0);
        }
}

// RenderBuffer's bytes for 0.0123 s at 44100 Hz = 542.43 frames: 542, whatever the buffer
// length the tool renders with (default 10 ms), on standard output too.
TEST_F(RenderTool, DataAreRenderBuffersBytesCutAtTheLength) {
    const WaveformTable user = reference::Table({0.5, -1, 1, 0.25});
    for (std::int32_t bits : {8, 16, 24, 32}) {
        auto stream = std::make_unique<OutputStream>();
        reference::Prepare(*stream, reference::Varied(user), 44100, bits, 542);
        const auto expected = reference::RenderNext(*stream);
        for (const std::string buffer : {"10", "1", "7", "250", "1000"}) {
            SCOPED_TRACE(::testing::Message() << bits << " bits, buffer " << buffer);
            const bool piped = buffer == "7";
            const auto [code, errors, output] =
                Run("$T $B --seconds 0.0123 --wave 2:wave.txt --bits " + std::to_string(bits) +
                    " --buffer " + buffer + (piped ? " -" : " out.wav"));
            ASSERT_EQ(code, 0) << errors;
            const std::string file = piped ? output : Out();  // the header is 68 bytes
            ASSERT_GE(file.size(), 68u);
            EXPECT_TRUE(
                SameBytes(std::vector<std::uint8_t>(file.begin() + 68, file.end()), expected));
            EXPECT_TRUE(!piped || output == Out());  // the file of the run before
        }
    }
}

// With --soft, or SoftTransitions = 1 in the settings file, the slot fades in from silence over
// its first 10 ms (441 frames at 44100 Hz), as when it is loaded into a running generator with
// "Weiche Übergänge" on; from there on the bytes are those without.
TEST_F(RenderTool, SoftFadesTheSlotInOverItsFirstTenMilliseconds) {
    const std::size_t header = 68, fadeBytes = 441 * 4 * 2;  // four 16-bit channels
    ASSERT_EQ(std::get<0>(Run("$T $B --seconds 0.05 out.wav")), 0);
    const std::string plain = Out();
    ASSERT_EQ(std::get<0>(Run("$T $B --soft --seconds 0.05 out.wav")), 0);
    const std::string soft = Out();
    ASSERT_EQ(soft.size(), plain.size());
    EXPECT_EQ(soft.substr(0, header), plain.substr(0, header));
    EXPECT_EQ(soft.substr(header, 8), std::string(8, '\0'));  // the first frame is silent
    EXPECT_NE(soft.substr(header, fadeBytes), plain.substr(header, fadeBytes));
    EXPECT_TRUE(SameBytes(soft.substr(header + fadeBytes), plain.substr(header + fadeBytes)));

    std::string settings = ReadBytes(folder_ / "tonquelle.ini");
    const std::string off = "SoftTransitions = 0", on = "SoftTransitions = 1";
    ASSERT_NE(settings.find(off), std::string::npos);
    settings.replace(settings.find(off), off.size(), on);
    testing::WriteBytes(folder_ / "soft.ini", settings);
    ASSERT_EQ(std::get<0>(Run("$T --settings soft.ini --slot 3 --seconds 0.05 out.wav")), 0);
    EXPECT_EQ(Out(), soft);
}

// A waveform file with lines that are not numbers renders all the same (each such line as 0,
// a decimal comma read as in the program) after one warning line on standard error.
TEST_F(RenderTool, UnreadableWaveformLinesGiveOneWarningLine) {
    std::ofstream(folder_ / "messung.txt") << "Zeit\n0,5\nx\n-1\n";
    const auto [code, errors, output] = Run("$T $B --seconds 0.01 --wave 2:messung.txt out.wav");
    EXPECT_EQ(code, 0);
    EXPECT_EQ(errors,
              "tonquelle-render: Warnung: In der Datei \"messung.txt\" sind 2 Zeilen keine "
              "Zahlen, die erste ist Zeile 1: \"Zeit\". Sie gelten als 0.\n");
    const WaveformTable table = reference::Table({0.0, 0.5, 0.0, -1.0});
    const auto expected = reference::Render(reference::Varied(table), 0, 441, 44100, 16);
    const std::string file = Out();
    ASSERT_GE(file.size(), 68u);
    EXPECT_TRUE(SameBytes(std::vector<std::uint8_t>(file.begin() + 68, file.end()), expected));
}

// --start renders from that time of the time base (rounded to whole frames): the data are the
// bytes of that stretch of a render from the start, here 0.5 s (22050 frames) and a day into it.
TEST_F(RenderTool, StartRendersThatStretchOfTheTimeBase) {
    const WaveformTable user = reference::Table({0.5, -1, 1, 0.25});
    for (const auto& [start, frame] : {std::pair{"0.50001", 22050LL}, {"86400", 3810240000LL}}) {
        SCOPED_TRACE(start);
        const auto [code, errors, output] =
            Run(std::string("$T $B --seconds 0.01 --wave 2:wave.txt --bits 32 --start ") + start +
                " out.wav");
        ASSERT_EQ(code, 0) << errors;
        const std::string file = Out();
        EXPECT_TRUE(SameBytes(std::vector<std::uint8_t>(file.begin() + 68, file.end()),
                              reference::Render(reference::Varied(user), frame, 441, 44100, 32)));
    }
}

// Exit status 2, exactly one line on standard error, nothing on standard output, and nothing
// left in the folder: no partial file, and an existing output kept as it was.
TEST_F(RenderTool, BadInputIsRefusedWithOneLineAndNoFile) {
    std::ofstream(folder_ / "out.wav") << "old contents";
    const char* settings[] = {"Resolution=12", "SampleRate=-8000", "BufferLength=0",
                              "BufferLength=1\nSampleRate=500"};
    for (int i = 0; i < 4; ++i)
        std::ofstream(folder_ / (std::to_string(i) + ".ini")) << "[OutputDevice]\n" << settings[i];
    // Each case: the shell command, then after " | " the text its error line must hold.
    const char* cases[] = {
        "$T --settings missing.ini --slot 3 out.wav | not found",
        "$T --settings . --slot 3 out.wav | cannot be read",
        "$T --settings 0.ini --slot 3 out.wav | resolution 12",
        "$T --settings 1.ini --slot 3 out.wav | sample rate",
        "$T --settings 2.ini --slot 3 out.wav | buffer length",
        "$T --settings 3.ini --slot 3 out.wav | holds no frame", "$T $B --slot 10 out.wav | --slot",
        "$T $B --slot -1 out.wav | --slot", "$T $B --slot 3x out.wav | --slot",
        "$T $B --slot 99999999999999999999 out.wav | --slot", "$T $B --bits 12 out.wav | --bits",
        "$T $B --bits '' out.wav | --bits", "$T $B --rate 0 out.wav | --rate",
        "$T $B --rate -44100 out.wav | --rate", "$T $B --rate 4294967296 out.wav | --rate",
        "$T $B --seconds -1 out.wav | --seconds", "$T $B --seconds nan out.wav | --seconds",
        "$T $B --seconds 1e400 out.wav | --seconds", "$T $B --seconds 1e9 out.wav | too long",
        "$T $B --start -1 out.wav | --start", "$T $B --start 1e300 out.wav | too far",
        "$T $B --mask 0 out.wav | 1 to 8", "$T $B --mask 0x1FF out.wav | 1 to 8",
        "$T $B --mask 0x100000 out.wav | beyond", "$T $B --mask 0xZZ out.wav | --mask",
        "$T $B --buffer 0 out.wav | --buffer",
        "$T $B --wave 0:missing.txt out.wav | cannot read waveform file",
        "$T $B --am-wave 1:. out.wav | cannot read waveform file",
        "$T $B --wave 4:wave.txt out.wav | not in use", "$T $B --wave nocolon out.wav | --wave",
        "$T $B no/such/x.wav | cannot write output", "$T $B . | cannot write output",
        "$T $B --volume 3 out.wav | unknown option --volume", "$T $B --rate | needs a value",
        "$T $B out.wav -x | unknown option -x",
        "$T $B --volume=3 out.wav | unknown option --volume",
        // Not a regular file: refused at once (the timeout ends a wait that should not be).
        "timeout -k 2 10 $T $B --wave 0:/dev/zero out.wav | cannot read waveform file",
        "(mkfifo w.fifo; timeout -k 2 10 $T $B --wave 0:w.fifo out.wav; s=$?; rm w.fifo; exit $s) "
        "| "
        "cannot read waveform file",
        "$T $B dev/block.wav | neither a file nor a FIFO",
        "$T --settings tonquelle.ini out.wav | missing --slot", "$T $B | missing output",
        "$T $B out.wav second.wav | more than one output",
        // A write that fails midway (a file size limit far below the output).
        "trap '' XFSZ; ulimit -f 16; $T $B --seconds 2 out.wav | cannot write output"};
    // A block device, made where the system lets us (else a FIFO stands in for the line above,
    // which then fails loudly).
    std::filesystem::create_directory(folder_ / "dev");
    if (mknod((folder_ / "dev" / "block.wav").c_str(), S_IFBLK | 0600, makedev(7, 200)) != 0)
        GTEST_SKIP() << "no block device can be made here";
    const std::vector<std::string> before = folder_.FileNames();
    for (const std::string c : cases) {
        SCOPED_TRACE(c);
        const std::string command = c.substr(0, c.find(" | ")), text = c.substr(c.find(" | ") + 3);
        const auto [code, errors, output] = Run(command);
        EXPECT_EQ(code, 2);
        ASSERT_FALSE(errors.empty());
        EXPECT_EQ(errors.find('\n'), errors.size() - 1) << errors;
        EXPECT_NE(errors.find(text), std::string::npos) << errors;
        EXPECT_EQ(folder_.FileNames(), before);  // no partial file
        EXPECT_TRUE(output.empty());
    }
    EXPECT_EQ(Out(), "old contents");
}

TEST_F(RenderTool, VersionIsTheProjectsVersion) {
    const auto [code, errors, output] = Run("$T --version");
    EXPECT_EQ(code, 0) << errors;
    EXPECT_EQ(output, "tonquelle-render 0.8.0\n");
}

// The bytes the tool renders for slot 3 in 0.01 s, to compare the other destinations with.
class RenderDestination : public RenderTool {
  protected:
    void SetUp() override {
        RenderTool::SetUp();
        const auto [code, errors, output] = Run("$T $B --seconds 0.01 -");
        ASSERT_EQ(code, 0) << errors;
        ASSERT_GT(output.size(), 68u);
        expected_ = output;
    }
    // Runs the commands `command` where $R renders into the path after it; expects success.
    void Render(const std::string& command) {
        const auto [code, errors, output] = Run("R=\"$T $B --seconds 0.01\"; { " + command + "; }");
        EXPECT_EQ(code, 0) << command << ": " << errors;
        EXPECT_EQ(errors, "") << command;
    }
    std::string expected_;
};

ino_t Inode(const std::filesystem::path& path) {
    struct stat status = {};
    return lstat(path.c_str(), &status) == 0 ? status.st_ino : 0;
}

// A regular file is written to a new file that takes its name when complete (a new inode;
// nothing else left in the folder); a new name is made.
TEST_F(RenderDestination, ARegularFileIsReplacedWholeAndANewNameMade) {
    std::ofstream(folder_ / "out.wav") << "old contents";
    const ino_t old = Inode(folder_ / "out.wav");
    const std::vector<std::string> before = folder_.FileNames();
    Render("$R out.wav");
    EXPECT_EQ(Out(), expected_);
    EXPECT_NE(Inode(folder_ / "out.wav"), old);
    EXPECT_EQ(folder_.FileNames(), before);
    Render("$R new.wav");
    EXPECT_EQ(ReadBytes(folder_ / "new.wav"), expected_);
}

// A symbolic link is followed: the file it points to is replaced (or made), the link stays.
TEST_F(RenderDestination, ASymbolicLinkIsFollowedAndKept) {
    std::filesystem::create_directory(folder_ / "sub");
    std::ofstream(folder_ / "sub" / "real.wav") << "old contents";
    Render("ln -s sub/real.wav link.wav && $R link.wav");
    EXPECT_TRUE(std::filesystem::is_symlink(folder_ / "link.wav"));
    EXPECT_EQ(ReadBytes(folder_ / "sub" / "real.wav"), expected_);
    Render("ln -s sub/new.wav dangling.wav && $R dangling.wav");
    EXPECT_TRUE(std::filesystem::is_symlink(folder_ / "dangling.wav"));
    EXPECT_EQ(ReadBytes(folder_ / "sub" / "new.wav"), expected_);
}

// A file nobody may write is kept, even for a superuser: exit status 2 and one line.
TEST_F(RenderDestination, AWriteProtectedFileIsRefusedAndKept) {
    std::ofstream(folder_ / "kept.wav") << "old contents";
    std::filesystem::permissions(folder_ / "kept.wav", std::filesystem::perms::owner_read |
                                                           std::filesystem::perms::group_read |
                                                           std::filesystem::perms::others_read);
    const std::vector<std::string> before = folder_.FileNames();
    const auto [code, errors, output] = Run("$T $B --seconds 0.01 kept.wav");
    EXPECT_EQ(code, 2);
    EXPECT_EQ(errors, "tonquelle-render: cannot write output 'kept.wav': it is write-protected\n");
    EXPECT_EQ(ReadBytes(folder_ / "kept.wav"), "old contents");
    EXPECT_EQ(folder_.FileNames(), before);
}

// A FIFO, standard output named as a file, and a character device are written directly and stay
// what they are.
TEST_F(RenderDestination, AFifoOrACharacterDeviceIsWrittenDirectlyNeverReplaced) {
    Render(
        "mkfifo pipe.wav && { timeout -k 2 10 cat pipe.wav >captured.wav & $R pipe.wav; wait; }");
    EXPECT_EQ(ReadBytes(folder_ / "captured.wav"), expected_);
    EXPECT_TRUE(std::filesystem::is_fifo(folder_ / "pipe.wav"));
    Render("$R /dev/stdout | cat >piped.wav");
    EXPECT_EQ(ReadBytes(folder_ / "piped.wav"), expected_);

    // A superuser could replace /dev/null itself: one of our own stands in for it then.
    std::string device = "/dev/null";
    if (geteuid() == 0) {
        device = (folder_ / "null").string();
        if (mknod(device.c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0)
            GTEST_SKIP() << "a superuser who cannot make a device node: /dev/null is not risked";
    }
    Render("$R " + device);
    EXPECT_TRUE(std::filesystem::is_character_file(device));
}

// A reader that goes away (head) is a write error like any other: exit status 2, one line.
TEST_F(RenderDestination, ABrokenPipeEndsWithStatus2AndOneLine) {
    const auto [code, errors, output] = Run(
        "{ { trap - PIPE; $T $B --seconds 60 -; echo $? >status; } | head -c 100 >/dev/null; }");
    EXPECT_EQ(ReadBytes(folder_ / "status"), "2\n");
    EXPECT_EQ(errors, "tonquelle-render: cannot write output: Broken pipe\n");
}

// SIGTERM and SIGINT end every wait: for a FIFO's reader, and for room in a pipe whose reader
// reads nothing. The status is 2 with the line "interrupted".
TEST_F(RenderDestination, SigtermAndSigintEndEveryWait) {
    // (The timeout ends the tool should the signal not: with another status.)
    Render(
        "mkfifo unread.wav && { timeout -k 2 10 $T $B unread.wav 2>err1 & p=$!; sleep 1; "
        "pkill -TERM -P $p; wait $p; echo $? >status1; }");
    Render(
        "mkfifo full.wav && exec 3<>full.wav && { timeout -k 2 10 $T $B --seconds 100 full.wav "
        "2>err2 & p=$!; sleep 1; pkill -INT -P $p; wait $p; echo $? >status2; }");
    for (const char* run : {"1", "2"}) {
        SCOPED_TRACE(run);
        EXPECT_EQ(ReadBytes(folder_ / ("status" + std::string(run))), "2\n");
        EXPECT_EQ(ReadBytes(folder_ / ("err" + std::string(run))),
                  "tonquelle-render: interrupted\n");
    }
}

// The third-octave levels of `signal` from 20 Hz (band 13) to band `last`, in dB; per hertz when
// `perHertz`.
std::vector<double> ThirdOctaveLevels(const std::vector<double>& signal, std::int32_t rate,
                                      int last, bool perHertz) {
    const std::size_t segment = 1 << 16;
    const std::vector<double> power = testing::PowerSpectrum(signal, segment);
    std::vector<double> levels;
    for (int n = 13; n <= last; ++n)
        levels.push_back(testing::BandLevel(power, static_cast<double>(rate) / segment,
                                            testing::ThirdOctave(n), perHertz));
    return levels;
}

// A full-scale sine swept logarithmically from 20 Hz to 20 kHz by FM shape `shape` at `rate` Hz.
ChannelSettings Sweep20To20k(std::int32_t shape, double rate) {
    return {.Flags = FlagFM | FlagFMLog,
            .FMWaveform = shape,
            .FMFrequency = rate,
            .FMMinFreq = 20.0,
            .FMMaxFreq = 20000.0,
            .Amplitude = 1.0};
}

// A sine sweeping 20 Hz · 1000^s at s seconds into each second, from zero phase: up to s it
// has crossed zero 2 · 20 · (1000^s − 1) / ln 1000 times (its phase over π; ±2 for the crossings
// at the ends), and between 0.3 and 0.7 s (160 Hz to 2.5 kHz, at least 19 samples a period)
// each half period, its crossings found by straight lines between samples, lasts 1 / 2f of the
// frequency f at its middle (within 0.1 %).
void SweepFollowsItsLaw(const std::vector<double>& signal, std::int32_t rate) {
    std::vector<double> crossings;
    for (std::size_t i = 1; i < signal.size(); ++i)
        if ((signal[i - 1] < 0.0) != (signal[i] < 0.0))
            crossings.push_back((i - 1 + signal[i - 1] / (signal[i - 1] - signal[i])) / rate);
    const double logRatio = std::log(1000.0);
    const auto frequency = [&](double t) { return 20.0 * std::pow(1000.0, t - std::floor(t)); };
    for (int second = 0; second < 30; ++second)
        for (double s : {0.1, 0.25, 0.5, 0.75, 0.9, 0.999}) {
            const auto count = std::ranges::count_if(
                crossings, [&](double t) { return t > second && t < second + s; });
            EXPECT_NEAR(count, 2 * 20.0 * (std::pow(1000.0, s) - 1.0) / logRatio, 2.0)
                << second << " s + " << s;
        }
    for (std::size_t k = 1; k < crossings.size(); ++k) {
        const double middle = (crossings[k] + crossings[k - 1]) / 2;
        const double s = middle - std::floor(middle);
        if (s > 0.3 && s < 0.7) {
            ASSERT_NEAR((crossings[k] - crossings[k - 1]) * 2 * frequency(middle), 1.0, 1e-3)
                << middle << " s";
        }
    }
}

// A measurement slot: pink noise on channel 0, white noise on channel 1 and a 1 kHz pulse of
// 25 % on channel 2, 30 s at 48000 Hz and 32 bits. The file holds the renderer's samples; the
// pink noise has the same level in every third-octave band from 20 Hz to 20 kHz (±1 dB of their
// mean), the white noise the same level per hertz in the bands up to 0.45 · rate (its expected
// level, as uniform noise of variance 1/3 gives it to a Hann-windowed segment of N samples: N · 3/8
// / 3 per bin, N / rate bins per hertz; ±0.5 dB), and the pulse, shifted by 0.01 rad so that no
// sample lies on an edge, is +1 for the first 12 of every 48 samples. Channel 3 sweeps a sine
// from 20 Hz to 20 kHz each second on a logarithmic scale (SweepFollowsItsLaw).
TEST_F(RenderTool, AMeasurementSlotGivesNoisesAQuarterPulseAndALogarithmicSweep) {
    const std::vector<reference::Channel> channels{
        {{.Flags = 0, .Waveform = WaveformIndex::PinkNoise, .Amplitude = 0.25}},
        {{.Flags = 0, .Waveform = WaveformIndex::WhiteNoise, .Amplitude = 1.0}},
        {{.Flags = 0,
          .Waveform = WaveformIndex::Square,
          .PhaseShift = 0.01,
          .Frequency = 1000.0,
          .Amplitude = 1.0,
          .DutyCycle = 25.0}},
        {Sweep20To20k(WaveformIndex::SawRising, 1.0)}};
    MemorySlots slots;
    for (std::size_t c = 0; c < channels.size(); ++c)
        slots[0].Channels[c] = channels[c].Settings;
    ASSERT_TRUE(SaveSettings(folder_ / "measure.ini",
                             {.OutputDevice = -1,
                              .SampleRate = 48000,
                              .Resolution = 32,
                              .BufferLength = 250,
                              .ChannelMask = 0xF,
                              .ChannelCount = 4},
                             slots));
    const auto [code, errors, output] =
        Run("$T --settings measure.ini --slot 0 --seconds 30 out.wav");
    ASSERT_EQ(code, 0) << errors;
    const std::string file = Out();
    const std::int32_t frames = 30 * 48000;
    auto stream = std::make_unique<OutputStream>();
    reference::Prepare(*stream, channels, 48000, 32, frames);
    ASSERT_TRUE(SameBytes(std::vector<std::uint8_t>(file.begin() + 68, file.end()),
                          reference::RenderNext(*stream)));

    std::vector<std::vector<double>> signals(4);
    for (std::size_t i = 68; i < file.size(); i += 4)
        signals[(i - 68) / 4 % 4].push_back(
            reference::CodeAt(reinterpret_cast<const std::uint8_t*>(&file[i]), 4) / 2147483647.0);
    const std::vector<double> pink = ThirdOctaveLevels(signals[0], 48000, 43, false);
    const double mean = std::accumulate(pink.begin(), pink.end(), 0.0) / pink.size();
    for (std::size_t b = 0; b < pink.size(); ++b)
        EXPECT_NEAR(pink[b], mean, 1.0) << "pink, band " << 13 + b;
    const double expected = 10.0 * std::log10((1 << 16) * 3.0 / 8.0 / 3.0 / (48000.0 / (1 << 16)));
    const std::vector<double> white = ThirdOctaveLevels(signals[1], 48000, 42, true);
    for (std::size_t b = 0; b < white.size(); ++b)
        EXPECT_NEAR(white[b], expected, 0.5) << "white, band " << 13 + b;
    for (std::size_t i = 0; i < signals[2].size(); ++i)
        ASSERT_EQ(signals[2][i], i % 48 < 12 ? 1.0 : -1.0) << i;
    SweepFollowsItsLaw(signals[3], 48000);
}

// A logarithmic sweep renders at --start as the renderer gives that stretch in other buffers,
// and as the test reference's own integral of its frequency law: within one code at first, and a
// day in (a phase of 2.4e9 rad, whose doubles lie 4.8e-7 rad apart, from sums good to a few
// 1e-16 of it) within a phase of 1e-5 rad, 2^31 · 1e-5 codes: a period miscounted is far more.
TEST_F(RenderTool, ALogarithmicSweepRendersTheSameAtAnyStart) {
    const std::vector<reference::Channel> channels{{Sweep20To20k(WaveformIndex::Sine, 0.5)}};
    MemorySlots slots;
    slots[0].Channels[0] = channels[0].Settings;
    ASSERT_TRUE(SaveSettings(folder_ / "sweep.ini", {-1, 48000, 32, 250, 0x1, 1}, slots));
    for (const auto& [start, frame, tolerance] :
         {std::tuple{"0.25", 12000LL, 1LL}, {"86400.5", 4147224000LL, 21475LL}}) {
        SCOPED_TRACE(start);
        const auto [code, errors, output] =
            Run(std::string("$T --settings sweep.ini --slot 0 --seconds 0.01 --start ") + start +
                " out.wav");
        ASSERT_EQ(code, 0) << errors;
        const std::string file = Out();
        const std::vector<std::uint8_t> data(file.begin() + 68, file.end());
        EXPECT_EQ(data, reference::RenderInBuffers(channels, 48000, 32, frame, 480, 77));
        const std::vector<std::uint8_t> expected =
            reference::Render(channels, frame, 480, 48000, 32);
        ASSERT_EQ(data.size(), expected.size());
        for (std::size_t i = 0; i < data.size(); i += 4)
            ASSERT_LE(
                std::llabs(reference::CodeAt(&data[i], 4) - reference::CodeAt(&expected[i], 4)),
                tolerance)
                << i / 4;
    }
}

// The settings file comes from where the program keeps it: the configuration folder for a copy
// in a folder named "bin" or one whose folder is unknown (here: its file was deleted while it
// ran), else the copy's own folder. Each folder's file has a sample rate of its own. (How the
// configuration folder follows XDG_CONFIG_HOME and HOME: DataFolderTest.)
TEST_F(RenderTool, TheDefaultSettingsFileIsWhereTheProgramKeepsIt) {
    const std::pair<const char*, int> files[] = {
        {"prefix/bin", 11025}, {"unpacked", 16000}, {"config/tonquelle", 22050}};
    for (const auto& [folder, rate] : files) {
        std::filesystem::create_directories(folder_ / folder);
        std::ofstream(folder_ / folder / "tonquelle.ini")
            << "[OutputDevice]\nSampleRate=" << rate << "\n";
        std::filesystem::copy_file(TONQUELLE_RENDER_TOOL, folder_ / folder / "tonquelle-render");
    }
    const std::string render = "/tonquelle-render --slot 3 --seconds 0 out.wav";
    const std::pair<std::string, int> cases[] = {
        {"XDG_CONFIG_HOME=$PWD/config prefix/bin" + render, 22050},
        {"XDG_CONFIG_HOME=$PWD/config unpacked" + render, 16000},
        {"cp unpacked/tonquelle-render unpacked/gone && exec 3<unpacked/gone && rm unpacked/gone "
         "&& "
         "XDG_CONFIG_HOME=$PWD/config /proc/self/fd/3 --slot 3 --seconds 0 out.wav",
         22050}};
    for (const auto& [command, rate] : cases) {
        const auto [code, errors, output] = Run(command);
        ASSERT_EQ(code, 0) << command << ": " << errors;
        const std::string header = Out();
        ASSERT_EQ(header.size(), 68u);
        const auto byte = [&header](int i) { return std::uint32_t(std::uint8_t(header[i])); };
        EXPECT_EQ(byte(24) | byte(25) << 8 | byte(26) << 16 | byte(27) << 24, std::uint32_t(rate))
            << command;
    }
}

}  // namespace
}  // namespace tonquelle
