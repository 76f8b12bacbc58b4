#include <gtest/gtest.h>

#if !defined(_WIN32)
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "audio/OutputStream.h"
#include "tests/settings/TemporaryFolder.h"
#include "waveform/WaveformLoader.h"
#include "waveform/WaveformParser.h"

namespace tonquelle {
namespace {

using namespace std::string_literals;
using Points = std::vector<double>;

// Each text as a file, loaded into a pending slot (refused when it holds no point, keeping the
// table before), and read in two pieces cut anywhere.
TEST(WaveformLoader, ReadsOnePointPerLineAndRefusesWhatItCannotRead) {
    const double inf = std::numeric_limits<double>::infinity();
    const std::vector<std::pair<std::string, Points>> cases = {
        {"1\r\n0.5\r\n\r\n-1\r\n", {1.0, 0.5, -1.0}},
        {"1\r0.5\r\r-1\r", {1.0, 0.5, -1.0}},
        {"1\n0.5\r\n-1", {1.0, 0.5, -1.0}},     // mixed, last line without end
        {"1\0000.5\0\0-1"s, {1.0, 0.5, -1.0}},  // NUL ends a line
        {"   \n  0.5  \n \r\n", {0.5}},         // spaces trimmed, blank lines skipped
        {"\t\n0.5\n", {0.0, 0.5}},              // a tab is no space: the line is a point
        {"0.25;0.75\n0,25\nKopfzeile\n-7e-1", {0.25, 0.0, 0.0, -0.7}},  // the leading number
        {"+INFINITY\n-infinity\n2.5", {inf, -inf, 2.5}},                // kept beyond full scale
        {"\357\273\2770.5\n1\n", {0.5, 1.0}},  // a byte order mark (octal escapes) skipped
        {"\357\273\277\n0.5", {0.5}},
        {"1\n\357\273\2770.5\n", {1.0, 0.0}},                 // further on it is text, not a number
        {std::string(3'000'000, ' ') + "0.125 \n", {0.125}},  // no line length limit
        {"", {}},
        {"\357\273\277", {}},
        {"\n\r\n   \r", {}}};
    testing::TemporaryFolder folder;
    OutputStream stream;
    stream.Config.ChannelCount = 4;
    for (const auto& [text, expected] : cases) {
        SCOPED_TRACE(text.substr(0, 40));
        for (std::size_t cut = 0; cut <= text.size(); cut += 1 + cut / 16) {
            WaveformParser parser;
            parser.Feed(std::string_view(text).substr(0, cut));
            parser.Feed(std::string_view(text).substr(cut));
            parser.Finish();
            ASSERT_EQ(parser.Points(), expected) << cut;
        }
        testing::WriteBytes(folder / "wave.txt", "0.75");
        ASSERT_TRUE(LoadWaveformFile(stream, 3, WaveformSlotAM, folder / "wave.txt"));
        testing::WriteBytes(folder / "wave.txt", text);
        EXPECT_EQ(LoadWaveformFile(stream, 3, WaveformSlotAM, folder / "wave.txt"),
                  !expected.empty());
        const WaveformTable& table = stream.Channels[3].PendingWaveforms[WaveformSlotAM];
        EXPECT_EQ(Points(table.Points.get(), table.Points.get() + table.PointCount),
                  expected.empty() ? Points{0.75} : expected);
    }
    EXPECT_TRUE(std::isnan(ParseWaveformPoints("NaN").at(0)));

    // What cannot be read, or has no place, is refused, and the table before stays.
    EXPECT_FALSE(LoadWaveformFile(stream, 3, WaveformSlotAM, folder / "missing.txt"));
    EXPECT_FALSE(LoadWaveformFile(stream, 3, WaveformSlotAM, folder.Path()));
    for (auto [channel, slot] : {std::pair{MaxChannels, WaveformSlotAM},
                                 {-1, WaveformSlotAM},
                                 {3, WaveformSlotCount},
                                 {3, -1}})
        EXPECT_FALSE(LoadWaveformFile(stream, channel, slot, folder / "wave.txt"));
    EXPECT_EQ(stream.Channels[3].PendingWaveforms[WaveformSlotAM].Points[0], 0.75);
    EXPECT_TRUE(stream.Channels[3].PendingWaveforms[WaveformSlotCarrier].Empty());
}

#if !defined(_WIN32)
// Only a regular file of at most 64 MiB is read; anything else is refused at once, before a
// byte is read: a FIFO without a writer, an endless device and a folder would otherwise hold
// the caller (the UI thread) for ever or fill the memory. The table before stays.
TEST(WaveformLoader, RefusesAtOnceWhatIsNotARegularFileAndFilesOver64MiB) {
    testing::TemporaryFolder folder;
    OutputStream stream;
    stream.Config.ChannelCount = 1;
    testing::WriteBytes(folder / "before.txt", "0.75");
    ASSERT_TRUE(LoadWaveformFile(stream, 0, WaveformSlotCarrier, folder / "before.txt"));
    ASSERT_EQ(mkfifo((folder / "fifo").c_str(), 0600), 0);
    alarm(60);  // should the loader wait for the FIFO's writer after all: end the test program
    for (const std::filesystem::path& path : {folder / "fifo", std::filesystem::path("/dev/zero"),
                                              std::filesystem::path("/dev/null"), folder.Path()}) {
        EXPECT_FALSE(LoadWaveformFile(stream, 0, WaveformSlotCarrier, path)) << path;
    }
    alarm(0);

    // 64 MiB exactly (a point, then NUL bytes that end empty lines) is read; one byte more is
    // refused. The files are sparse: they take no room on the disk.
    constexpr std::uintmax_t Limit = 64 * 1024 * 1024;
    testing::WriteBytes(folder / "limit.txt", "0.5\n");
    std::filesystem::resize_file(folder / "limit.txt", Limit);
    EXPECT_TRUE(LoadWaveformFile(stream, 0, WaveformSlotCarrier, folder / "limit.txt"));
    std::filesystem::resize_file(folder / "limit.txt", Limit + 1);
    EXPECT_FALSE(LoadWaveformFile(stream, 0, WaveformSlotCarrier, folder / "limit.txt"));
    const WaveformTable& table = stream.Channels[0].PendingWaveforms[WaveformSlotCarrier];
    EXPECT_EQ(Points(table.Points.get(), table.Points.get() + table.PointCount), Points{0.5});
}
#endif

}  // namespace
}  // namespace tonquelle
