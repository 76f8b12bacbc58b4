#include <gtest/gtest.h>

#if !defined(_WIN32)
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "records/OutputStream.h"
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
        {"0.25;0.75\n0,25\nKopfzeile\n-7e-1", {0.25, 0.25, 0.0, -0.7}},  // the leading number
        {"+INFINITY\n-infinity\n2.5", {inf, -inf, 2.5}},                 // kept beyond full scale
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
        EXPECT_EQ(LoadWaveformFile(stream, 3, WaveformSlotAM, folder / "wave.txt").Loaded,
                  !expected.empty());
        const WaveformTable& table = stream.Channels[3].PendingWaveforms[WaveformSlotAM];
        EXPECT_EQ(Points(table.Points.get(), table.Points.get() + table.PointCount),
                  expected.empty() ? Points{0.75} : expected);
    }

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

// A German decimal comma counts in a line without a point, as in the panel fields; with a
// point the comma separates columns. NaN points, which would silence the stretches beside them,
// count as 0.
TEST(WaveformLoader, ReadsDecimalCommasAndTakesNaNAsZero) {
    const std::vector<std::pair<std::string, Points>> cases = {
        {"0,5\n-0,25\n  1,0  \n", {0.5, -0.25, 1.0}},
        {"1,5,3\n0.25,0.75\n-,5", {1.5, 0.25, -0.5}},
        {"NaN\nnan\n-nan\n0.5", {0.0, 0.0, 0.0, 0.5}},
    };
    for (const auto& [text, expected] : cases) {
        SCOPED_TRACE(text);
        const Points points = ParseWaveformPoints(text);
        EXPECT_EQ(points, expected);
    }
}

// The reading of `text` cut into two pieces at `cut`.
WaveformParser ParseInTwoPieces(std::string_view text, std::size_t cut) {
    WaveformParser parser;
    parser.Feed(text.substr(0, cut));
    parser.Feed(text.substr(cut));
    parser.Finish();
    return parser;
}

// Lines that are not numbers load as 0, and the parser counts them and keeps the first one's
// number (every line counts, empty ones too; CR LF ends one line) and text, however the text
// arrives in pieces.
TEST(WaveformLoader, CountsTheLinesThatAreNotNumbersAndNamesTheFirst) {
    struct Case {
        std::string text;
        std::int64_t count, firstLine;
        std::string firstText;
    };
    const Case cases[] = {
        {"0.5\n1\n", 0, 0, ""},
        {"Kopfzeile\n0.5\n\tx\n1\n", 2, 1, "Kopfzeile"},
        {"\357\273\277Zeit;Wert\n0.5", 1, 1, "Zeit;Wert"},  // without the byte order mark
        {"0.5\n\r\n   \r  Spalte B  \n-1", 1, 4, "Spalte B"},
        {"1\n\t\n", 1, 2, "\t"},
        {"1\r\n2\r\nende", 1, 3, "ende"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        for (std::size_t cut = 0; cut <= c.text.size(); ++cut) {
            const WaveformParser parser = ParseInTwoPieces(c.text, cut);
            const UnreadableLines& unreadable = parser.Unreadable();
            ASSERT_EQ(unreadable.Count, c.count) << cut;
            EXPECT_EQ(unreadable.FirstLine, c.firstLine) << cut;
            EXPECT_EQ(unreadable.FirstText, c.firstText) << cut;
        }
    }
}

// The first unreadable line is named with at most 40 characters (not bytes), the 40th an
// ellipsis when it was longer; what is not text shows as the replacement character.
TEST(WaveformLoader, ShortensTheNamedLineToFortyCharacters) {
    const std::string thirtyNine = "Überschrift: Messwerte vom 12. März (V)";  // 39 characters
    ASSERT_EQ(thirtyNine.size(), 39u + 2);  // Ü and ä take two bytes each
    const std::pair<std::string, std::string> cases[] = {
        {thirtyNine + "!", thirtyNine + "!"},
        {thirtyNine + "!?", thirtyNine + "\u2026"},
        {std::string(100, 'x'), std::string(39, 'x') + "\u2026"},
        {"a\xFF"
         "b\xC3",
         "a\uFFFD"
         "b\uFFFD"},                           // bytes that are not UTF-8
        {"\xE2\x82", "\uFFFD\uFFFD"},          // a sequence cut short
        {"a\x1B[31mb\tc", "a\uFFFD[31mb\tc"},  // an escape, not the terminal's
    };
    for (const auto& [line, shown] : cases) {
        EXPECT_EQ(ParseInTwoPieces(line + "\n", 0).Unreadable().FirstText, shown) << line;
    }
}

// The message box (and tonquelle-render's warning) names the file, the count, the first line's
// number and its text.
TEST(WaveformLoader, MessageNamesCountAndFirstLine) {
    EXPECT_EQ(
        UnreadableLinesMessage("/tmp/welle.txt", {.Count = 1, .FirstLine = 3, .FirstText = "abc"}),
        "In der Datei \"/tmp/welle.txt\" ist Zeile 3 keine Zahl: \"abc\". Sie gilt als 0.");
    EXPECT_EQ(UnreadableLinesMessage("C:\\Wellen\\säge.csv",
                                     {.Count = 12, .FirstLine = 1, .FirstText = "Zeit;Wert"}),
              "In der Datei \"C:\\Wellen\\säge.csv\" sind 12 Zeilen keine Zahlen, die erste ist "
              "Zeile 1: \"Zeit;Wert\". Sie gelten als 0.");
}

// A file with unreadable lines loads all the same and reports them.
TEST(WaveformLoader, LoadsAFileWithUnreadableLinesAndReportsThem) {
    testing::TemporaryFolder folder;
    testing::WriteBytes(folder / "wave.csv", "Zeit;Wert\n0,5\n\nx\n-1\n");
    OutputStream stream;
    const WaveformLoadResult loaded =
        LoadWaveformFile(stream, 1, WaveformSlotCarrier, folder / "wave.csv");
    EXPECT_TRUE(loaded.Loaded);
    EXPECT_EQ(loaded.Unreadable.Count, 2);
    EXPECT_EQ(loaded.Unreadable.FirstLine, 1);
    EXPECT_EQ(loaded.Unreadable.FirstText, "Zeit;Wert");
    const WaveformTable& table = stream.Channels[1].PendingWaveforms[WaveformSlotCarrier];
    EXPECT_EQ(Points(table.Points.get(), table.Points.get() + table.PointCount),
              (Points{0.0, 0.5, 0.0, -1.0}));
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
