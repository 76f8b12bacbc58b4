#include <gtest/gtest.h>

#include <sys/wait.h>

#include <bit>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "audio/OutputStream.h"
#include "synth/Renderer.h"
#include "tests/settings/TemporaryFolder.h"

namespace tonquelle {
namespace {

using testing::TemporaryFolder;
using Bytes = std::vector<std::uint8_t>;

struct Outcome {
    int ExitCode = -1;
    std::string Errors;  // standard error
    Bytes Output;        // standard output
};

std::string Quoted(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

Bytes ReadFile(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// Runs the tool with `args` in a shell whose lines `prefix` come first (limits, traps).
Outcome RunTool(const TemporaryFolder& folder, const std::vector<std::string>& args,
                const std::string& prefix = "") {
    const auto out = folder.Path().parent_path() / (folder.Path().filename().string() + ".out");
    const auto err = folder.Path().parent_path() / (folder.Path().filename().string() + ".err");
    std::string command = prefix + Quoted(TONQUELLE_RENDER_TOOL);
    for (const std::string& arg : args) {
        command += " " + Quoted(arg);
    }
    command += " >" + Quoted(out.string()) + " 2>" + Quoted(err.string());
    const int status = std::system(("sh -c " + Quoted(command)).c_str());
    Outcome outcome;
    outcome.ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    const Bytes errors = ReadFile(err);
    outcome.Errors.assign(errors.begin(), errors.end());
    outcome.Output = ReadFile(out);
    std::filesystem::remove(out);
    std::filesystem::remove(err);
    return outcome;
}

std::uint32_t U32(const Bytes& b, std::size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | std::uint32_t{b[at + 3]} << 24;
}
std::uint32_t U16(const Bytes& b, std::size_t at) {
    return b[at] | b[at + 1] << 8;
}
std::string Tag(const Bytes& b, std::size_t at) {
    return std::string(b.begin() + at, b.begin() + at + 4);
}

// The sample data of a WAV file: everything after the 68-byte extensible header, without the
// pad byte of odd-sized data.
Bytes DataOf(const Bytes& file) {
    if (file.size() < 68) {
        return {};
    }
    return Bytes(file.begin() + 68, file.begin() + 68 + U32(file, 64));
}

// A settings file with an output configuration and memory slot 3 holding `channels`.
void WriteSettings(const std::filesystem::path& path, const std::string& outputDevice,
                   const std::vector<std::string>& channels) {
    std::ofstream file(path);
    file << "[OutputDevice]\n" << outputDevice << "\n[Memory3]\nName=Test\n";
    for (std::size_t c = 0; c < channels.size(); ++c) {
        file << "[Memory3Channel" << c << "]\n" << channels[c] << "\n";
    }
}

const std::vector<std::string> VariedChannels = {
    "Flags=0\nWaveform=0\nFrequency=1000\nAmplitude=0.8\nPhaseShift=0.5",
    "Flags=6\nWaveform=1\nFMWaveform=0\nFMFrequency=3\nFMMinFreq=200\nFMMaxFreq=900\n"
    "AMWaveform=4\nAMFrequency=7\nAMMinAmp=0.1\nAMMaxAmp=0.9",
    "Flags=0\nWaveform=5\nAmplitude=1.2",  // the user waveform given with --wave
    "Flags=1",                             // muted
};

// The bytes RenderBuffer gives for slot 3 of VariedChannels: `frames` frames, buffer after
// buffer of `bufferFrames`, with the user table of channel 2.
Bytes RenderDirectly(std::int32_t rate, std::int32_t resolution, std::int32_t mask,
                     std::int32_t bufferFrames, std::int64_t frames,
                     const std::vector<double>& userPoints) {
    auto stream = std::make_unique<OutputStream>();
    stream->Config.SampleRate = rate;
    stream->Config.Resolution = resolution;
    stream->Config.ChannelMask = mask;
    stream->Config.ChannelCount = std::popcount(static_cast<std::uint32_t>(mask));
    stream->BufferFrames = bufferFrames;
    ChannelSettings& c0 = stream->Channels[0].EditSettings;
    c0.Flags = 0;
    c0.Frequency = 1000;
    c0.Amplitude = 0.8;
    c0.PhaseShift = 0.5;
    ChannelSettings& c1 = stream->Channels[1].EditSettings;
    c1.Flags = FlagFM | FlagAM;
    c1.Waveform = WaveformIndex::Triangle;
    c1.FMFrequency = 3;
    c1.FMMinFreq = 200;
    c1.FMMaxFreq = 900;
    c1.AMWaveform = WaveformIndex::Square;
    c1.AMFrequency = 7;
    c1.AMMinAmp = 0.1;
    c1.AMMaxAmp = 0.9;
    ChannelSettings& c2 = stream->Channels[2].EditSettings;
    c2.Flags = 0;
    c2.Waveform = WaveformIndex::User;
    c2.Amplitude = 1.2;
    WaveformTable& table = stream->Channels[2].PendingWaveforms[WaveformSlotCarrier];
    table.PointCount = static_cast<std::int32_t>(userPoints.size());
    table.Points = std::make_unique<double[]>(userPoints.size());
    std::copy(userPoints.begin(), userPoints.end(), table.Points.get());
    PublishChannel(*stream, -1);

    const std::int64_t frameBytes = stream->Config.ChannelCount * (resolution / 8);
    Bytes buffer(static_cast<std::size_t>(bufferFrames * frameBytes));
    Bytes all;
    while (static_cast<std::int64_t>(all.size()) < frames * frameBytes) {
        RenderBuffer(*stream, buffer.data());
        all.insert(all.end(), buffer.begin(), buffer.end());
    }
    all.resize(static_cast<std::size_t>(frames * frameBytes));
    return all;
}

class RenderTool : public ::testing::Test {
  protected:
    void SetUp() override {
        WriteSettings(folder_ / "tonquelle.ini",
                      "SampleRate=44100\nResolution=16\nBufferLength=10\nChannelMask=15",
                      VariedChannels);
        std::ofstream(folder_ / "wave.txt") << "0.5\n-1\n1\n0.25\n";
    }
    std::string Settings() const { return (folder_ / "tonquelle.ini").string(); }
    std::string Wave() const { return "2:" + (folder_ / "wave.txt").string(); }
    std::string Out(const std::string& name = "out.wav") const { return (folder_ / name).string(); }

    TemporaryFolder folder_;
};

TEST_F(RenderTool, HeaderDescribesEveryResolutionAndMask) {
    struct MaskCase {
        std::int32_t Mask;
        std::uint32_t Channels;
    };
    for (std::int32_t bits : {8, 16, 24, 32}) {
        for (MaskCase m : {MaskCase{0x4, 1}, MaskCase{0x3, 2}, MaskCase{0x33, 4},
                           MaskCase{0x60A, 4}, MaskCase{0xFF, 8}, MaskCase{0x3FC00, 8}}) {
            SCOPED_TRACE("bits " + std::to_string(bits) + " mask " + std::to_string(m.Mask));
            // 0.0101 s at 8000 Hz: 80.8 frames, 81 when rounded.
            const Outcome run =
                RunTool(folder_, {"--settings", Settings(), "--slot", "3", "--seconds", "0.0101",
                                  "--rate", "8000", "--bits", std::to_string(bits), "--mask",
                                  std::to_string(m.Mask), Out()});
            ASSERT_EQ(run.ExitCode, 0) << run.Errors;
            EXPECT_EQ(run.Errors, "");
            const Bytes file = ReadFile(Out());
            const std::uint32_t blockAlign = m.Channels * bits / 8;
            const std::uint32_t dataBytes = 81 * blockAlign;
            const std::uint32_t pad = dataBytes % 2;
            ASSERT_EQ(file.size(), 68 + dataBytes + pad);
            EXPECT_EQ(Tag(file, 0), "RIFF");
            EXPECT_EQ(U32(file, 4), 60 + dataBytes + pad);
            EXPECT_EQ(Tag(file, 8), "WAVE");
            EXPECT_EQ(Tag(file, 12), "fmt ");
            EXPECT_EQ(U32(file, 16), 40u);
            EXPECT_EQ(U16(file, 20), 0xFFFEu);  // WAVE_FORMAT_EXTENSIBLE
            EXPECT_EQ(U16(file, 22), m.Channels);
            EXPECT_EQ(U32(file, 24), 8000u);
            EXPECT_EQ(U32(file, 28), 8000u * blockAlign);
            EXPECT_EQ(U16(file, 32), blockAlign);
            EXPECT_EQ(U16(file, 34), static_cast<std::uint32_t>(bits));
            EXPECT_EQ(U16(file, 36), 22u);
            EXPECT_EQ(U16(file, 38), static_cast<std::uint32_t>(bits));  // valid bits
            EXPECT_EQ(U32(file, 40), static_cast<std::uint32_t>(m.Mask));
            const Bytes pcm = {0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00,
                               0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
            EXPECT_EQ(Bytes(file.begin() + 44, file.begin() + 60), pcm);
            EXPECT_EQ(Tag(file, 60), "data");
            EXPECT_EQ(U32(file, 64), dataBytes);
            if (pad) {
                EXPECT_EQ(file.back(), 0);
            }
        }
    }
}

TEST_F(RenderTool, DataAreRenderBuffersBytesCutAtTheLength) {
    for (std::int32_t bits : {8, 16, 24, 32}) {
        SCOPED_TRACE("bits " + std::to_string(bits));
        // 0.0123 s at 44100 Hz = 542.43 frames: 542, over two buffers of 441 (10 ms).
        const Outcome run =
            RunTool(folder_, {"--settings", Settings(), "--slot", "3", "--seconds", "0.0123",
                              "--bits", std::to_string(bits), "--wave", Wave(), Out()});
        ASSERT_EQ(run.ExitCode, 0) << run.Errors;
        const Bytes expected = RenderDirectly(44100, bits, 15, 441, 542, {0.5, -1, 1, 0.25});
        EXPECT_EQ(DataOf(ReadFile(Out())), expected);
    }
}

TEST_F(RenderTool, DataDoNotDependOnTheBufferLength) {
    const std::vector<std::string> common = {"--settings", Settings(), "--slot", "3",
                                             "--seconds",  "0.4",      "--rate", "48000",
                                             "--bits",     "24",       "--wave", Wave()};
    Bytes first;
    for (const char* buffer : {"1", "7", "250", "1000"}) {
        SCOPED_TRACE(std::string("buffer ") + buffer);
        std::vector<std::string> args = common;
        args.insert(args.end(), {"--buffer", buffer, Out()});
        const Outcome run = RunTool(folder_, args);
        ASSERT_EQ(run.ExitCode, 0) << run.Errors;
        const Bytes data = DataOf(ReadFile(Out()));
        ASSERT_EQ(data.size(), 19200u * 4 * 3);
        if (first.empty()) {
            first = data;
        } else {
            EXPECT_TRUE(data == first);
        }
    }
}

TEST_F(RenderTool, StandardOutputGetsTheSameFile) {
    const std::vector<std::string> common = {"--settings", Settings(), "--slot", "3",
                                             "--seconds",  "0.05",     "--wave", Wave()};
    std::vector<std::string> toFile = common;
    toFile.push_back(Out());
    std::vector<std::string> toStandardOutput = common;
    toStandardOutput.push_back("-");
    ASSERT_EQ(RunTool(folder_, toFile).ExitCode, 0);
    const Outcome piped = RunTool(folder_, toStandardOutput);
    ASSERT_EQ(piped.ExitCode, 0) << piped.Errors;
    EXPECT_EQ(piped.Output, ReadFile(Out()));
    EXPECT_EQ(folder_.FileNames(),
              (std::vector<std::string>{"out.wav", "tonquelle.ini", "wave.txt"}));
}

TEST_F(RenderTool, SettingsFileGivesTheDefaultsAndOptionsOverrideThem) {
    WriteSettings(folder_ / "other.ini",
                  "SampleRate=22050\nResolution=24\nBufferLength=100\nChannelMask=48",
                  VariedChannels);
    Outcome run = RunTool(folder_, {"--settings", (folder_ / "other.ini").string(), "--slot", "3",
                                    "--seconds", "0.1", Out()});
    ASSERT_EQ(run.ExitCode, 0) << run.Errors;
    Bytes file = ReadFile(Out());
    EXPECT_EQ(U32(file, 24), 22050u);
    EXPECT_EQ(U16(file, 38), 24u);
    EXPECT_EQ(U32(file, 40), 0x30u);
    EXPECT_EQ(U32(file, 64), 2205u * 2 * 3);
    run = RunTool(
        folder_, {"--settings", (folder_ / "other.ini").string(), "--slot", "3", "--seconds", "0.1",
                  "--mask", "0x7", "--rate", "8000", "--bits", "8", Out()});
    ASSERT_EQ(run.ExitCode, 0) << run.Errors;
    file = ReadFile(Out());
    EXPECT_EQ(U32(file, 24), 8000u);
    EXPECT_EQ(U16(file, 38), 8u);
    EXPECT_EQ(U32(file, 40), 7u);
    EXPECT_EQ(U32(file, 64), 800u * 3);
}

// Without --settings the tool reads the program's file: beside it (not there in the build
// tree), else in the user's configuration folder; without either, the program's defaults.
TEST_F(RenderTool, DefaultSettingsFileIsTheProgramsOwn) {
    std::filesystem::create_directories(folder_ / "config" / "tonquelle");
    WriteSettings(folder_ / "config" / "tonquelle" / "tonquelle.ini",
                  "SampleRate=8000\nResolution=8\nChannelMask=4", {});
    const std::string config = Quoted((folder_ / "config").string());
    Outcome run = RunTool(folder_, {"--slot", "0", "--seconds", "0.5", Out()},
                          "XDG_CONFIG_HOME=" + config + " ");
    ASSERT_EQ(run.ExitCode, 0) << run.Errors;
    Bytes file = ReadFile(Out());
    EXPECT_EQ(U32(file, 24), 8000u);
    EXPECT_EQ(U16(file, 38), 8u);
    EXPECT_EQ(U32(file, 40), 4u);
    EXPECT_EQ(U32(file, 64), 4000u);
    // Slot 0 of the defaults is muted: the 8-bit zero code throughout.
    EXPECT_EQ(DataOf(file), Bytes(4000, 0x80));

    run = RunTool(folder_, {"--slot", "0", "--seconds", "0.5", Out()},
                  "XDG_CONFIG_HOME=" + Quoted((folder_ / "none").string()) + " ");
    ASSERT_EQ(run.ExitCode, 0) << run.Errors;
    file = ReadFile(Out());
    EXPECT_EQ(U32(file, 24), 44100u);  // 44100 Hz, 16 bits, front left and right
    EXPECT_EQ(U16(file, 38), 16u);
    EXPECT_EQ(U32(file, 40), 3u);
    EXPECT_EQ(DataOf(file), Bytes(22050 * 4, 0));
}

TEST_F(RenderTool, HelpPrintsTheUsage) {
    const Outcome run = RunTool(folder_, {"--help"});
    EXPECT_EQ(run.ExitCode, 0);
    const std::string text(run.Output.begin(), run.Output.end());
    EXPECT_NE(text.find("Usage: tonquelle-render"), std::string::npos);
    EXPECT_NE(text.find("--am-wave CH:FILE"), std::string::npos);
}

// Exit status 2, exactly one line on standard error, and nothing left in the folder.
void ExpectRefused(const TemporaryFolder& folder, const std::vector<std::string>& args,
                   const std::string& expectedText, const std::string& prefix = "") {
    const std::vector<std::string> before = folder.FileNames();
    const Outcome run = RunTool(folder, args, prefix);
    EXPECT_EQ(run.ExitCode, 2);
    ASSERT_FALSE(run.Errors.empty());
    EXPECT_EQ(run.Errors.find('\n'), run.Errors.size() - 1) << run.Errors;
    EXPECT_NE(run.Errors.find(expectedText), std::string::npos) << run.Errors;
    EXPECT_EQ(folder.FileNames(), before);
    EXPECT_TRUE(run.Output.empty());
}

TEST_F(RenderTool, BadInputIsRefusedWithOneLineAndNoFile) {
    const std::string s = Settings();
    const std::string out = Out();
    struct Case {
        std::vector<std::string> Args;
        std::string Text;
    };
    const std::vector<Case> cases = {
        {{"--settings", Out("missing.ini"), "--slot", "3", out}, "not found"},
        {{"--settings", folder_.Path().string(), "--slot", "3", out}, "cannot be read"},
        {{"--settings", s, "--slot", "10", out}, "--slot"},
        {{"--settings", s, "--slot", "-1", out}, "--slot"},
        {{"--settings", s, "--slot", "3x", out}, "--slot"},
        {{"--settings", s, "--slot", "99999999999999999999", out}, "--slot"},
        {{"--settings", s, "--slot", "3", "--bits", "12", out}, "--bits"},
        {{"--settings", s, "--slot", "3", "--bits", "", out}, "--bits"},
        {{"--settings", s, "--slot", "3", "--rate", "0", out}, "--rate"},
        {{"--settings", s, "--slot", "3", "--rate", "-44100", out}, "--rate"},
        {{"--settings", s, "--slot", "3", "--rate", "4294967296", out}, "--rate"},
        {{"--settings", s, "--slot", "3", "--seconds", "-1", out}, "--seconds"},
        {{"--settings", s, "--slot", "3", "--seconds", "nan", out}, "--seconds"},
        {{"--settings", s, "--slot", "3", "--seconds", "1e400", out}, "--seconds"},
        {{"--settings", s, "--slot", "3", "--seconds", "1e9", out}, "too long"},
        {{"--settings", s, "--slot", "3", "--mask", "0", out}, "1 to 8"},
        {{"--settings", s, "--slot", "3", "--mask", "0x1FF", out}, "1 to 8"},
        {{"--settings", s, "--slot", "3", "--mask", "0x100000", out}, "beyond"},
        {{"--settings", s, "--slot", "3", "--mask", "0xZZ", out}, "--mask"},
        {{"--settings", s, "--slot", "3", "--buffer", "0", out}, "--buffer"},
        {{"--settings", s, "--slot", "3", "--wave", Out("missing.txt").insert(0, "0:"), out},
         "cannot read waveform file"},
        {{"--settings", s, "--slot", "3", "--am-wave", "1:" + folder_.Path().string(), out},
         "cannot read waveform file"},
        {{"--settings", s, "--slot", "3", "--wave", "4:" + Wave().substr(2), out}, "not in use"},
        {{"--settings", s, "--slot", "3", "--wave", "nocolon", out}, "--wave"},
        {{"--settings", s, "--slot", "3", (folder_ / "no" / "such" / "x.wav").string()},
         "cannot write output"},
        {{"--settings", s, "--slot", "3", folder_.Path().string()}, "cannot write output"},
        {{"--settings", s, "--slot", "3", "--volume", "3", out}, "unknown option --volume"},
        {{"--settings", s, "--slot", "3", "--rate"}, "needs a value"},
        {{"--settings", s, out}, "missing --slot"},
        {{"--settings", s, "--slot", "3"}, "missing output"},
        {{"--settings", s, "--slot", "3", out, Out("second.wav")}, "more than one output"},
    };
    for (const Case& c : cases) {
        std::string line;
        for (const std::string& arg : c.Args) {
            line += arg + " ";
        }
        SCOPED_TRACE(line);
        ExpectRefused(folder_, c.Args, c.Text);
    }
}

TEST_F(RenderTool, BadValuesFromTheSettingsFileAreRefusedToo) {
    const auto path = folder_ / "bad.ini";
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"Resolution=12", "resolution 12"},
        {"SampleRate=-8000", "sample rate"},
        {"ChannelMask=0", "1 to 8"},
        {"BufferLength=0", "buffer length"},
        {"BufferLength=1\nSampleRate=500", "holds no frame"},
    };
    for (const auto& [group, text] : cases) {
        SCOPED_TRACE(group);
        WriteSettings(path, group, VariedChannels);
        ExpectRefused(folder_, {"--settings", path.string(), "--slot", "3", Out()}, text);
    }
}

// A render that fails while writing (here: a file size limit far below the output) removes its
// partial file and leaves an existing file of that name as it was.
TEST_F(RenderTool, AFailedWriteLeavesNoPartialFile) {
    std::ofstream(Out()) << "old contents";
    ExpectRefused(folder_, {"--settings", Settings(), "--slot", "3", "--seconds", "2", Out()},
                  "cannot write output", "trap '' XFSZ; ulimit -f 16; ");
    const Bytes kept = ReadFile(Out());
    EXPECT_EQ(std::string(kept.begin(), kept.end()), "old contents");
}

}  // namespace
}  // namespace tonquelle
