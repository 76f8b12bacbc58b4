#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "audio/OutputStream.h"
#include "settings/SettingsStore.h"
#include "tests/render/ReferenceRenderer.h"
#include "tests/settings/TemporaryFolder.h"

namespace tonquelle {
namespace {

using testing::ReadBytes;

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
            EXPECT_EQ(std::vector<std::uint8_t>(file.begin() + 68, file.end()), expected);
            EXPECT_TRUE(!piped || output == Out());  // the file of the run before
        }
    }
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
        EXPECT_EQ(std::vector<std::uint8_t>(file.begin() + 68, file.end()),
                  reference::Render(reference::Varied(user), frame, 441, 44100, 32));
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
        "$T --settings tonquelle.ini out.wav | missing --slot", "$T $B | missing output",
        "$T $B out.wav second.wav | more than one output",
        // A write that fails midway (a file size limit far below the output).
        "trap '' XFSZ; ulimit -f 16; $T $B --seconds 2 out.wav | cannot write output"};
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

}  // namespace
}  // namespace tonquelle
