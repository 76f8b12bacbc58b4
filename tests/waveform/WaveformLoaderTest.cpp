#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <string>
#include <vector>

#include "audio/OutputStream.h"
#include "synth/Renderer.h"
#include "waveform/WaveformLoader.h"
#include "waveform/WaveformParser.h"

namespace tonquelle {
namespace {

using namespace std::string_literals;
using Points = std::vector<double>;

TEST(WaveformParser, ReadsOnePointPerLineWhateverTheLineEnds) {
    const Points expected{1.0, 0.5, -1.0};
    EXPECT_EQ(ParseWaveformPoints("1\n0.5\n\n-1\n"), expected);
    EXPECT_EQ(ParseWaveformPoints("1\r\n0.5\r\n\r\n-1\r\n"), expected);
    EXPECT_EQ(ParseWaveformPoints("1\r0.5\r\r-1\r"), expected);
    EXPECT_EQ(ParseWaveformPoints("1\n0.5\r\n-1"), expected);  // mixed, last line without end
    EXPECT_EQ(ParseWaveformPoints("1\0"s
                                  "0.5\0\0-1"s),
              expected);  // NUL ends a line
}

TEST(WaveformParser, TrimsSpacesOnlyAndSkipsBlankLines) {
    EXPECT_EQ(ParseWaveformPoints("   \n  0.5  \n \r\n"), Points{0.5});
    EXPECT_EQ(ParseWaveformPoints("\t\n0.5\n"), (Points{0.0, 0.5}));  // a tab line is a point
    EXPECT_EQ(ParseWaveformPoints(""), Points{});
    EXPECT_EQ(ParseWaveformPoints("\n\r\n   \r"), Points{});
}

TEST(WaveformParser, ReadsTheNumberAtTheStartOfALine) {
    EXPECT_EQ(ParseWaveformPoints("0.25;0.75\n"), Points{0.25});
    EXPECT_EQ(ParseWaveformPoints("0,25\n"), Points{0.0});  // no decimal comma in files
    EXPECT_EQ(ParseWaveformPoints("Kopfzeile\n"), Points{0.0});
    EXPECT_EQ(ParseWaveformPoints("2.5\n-7e-1\n"), (Points{2.5, -0.7}));
    const Points special = ParseWaveformPoints("+INFINITY\n-infinity\nNaN\n");
    ASSERT_EQ(special.size(), 3u);
    EXPECT_EQ(special[0], std::numeric_limits<double>::infinity());
    EXPECT_EQ(special[1], -std::numeric_limits<double>::infinity());
    EXPECT_TRUE(std::isnan(special[2]));
}

TEST(WaveformParser, SkipsAByteOrderMarkAtTheStartOnly) {
    EXPECT_EQ(ParseWaveformPoints("\xEF\xBB\xBF"
                                  "0.5\n1\n"),
              (Points{0.5, 1.0}));
    EXPECT_EQ(ParseWaveformPoints("\xEF\xBB\xBF"), Points{});
    EXPECT_EQ(ParseWaveformPoints("\xEF\xBB\xBF\n0.5"), Points{0.5});
    // Further on it is text that is not a number.
    EXPECT_EQ(ParseWaveformPoints("1\n\xEF\xBB\xBF"
                                  "0.5\n"),
              (Points{1.0, 0.0}));
}

TEST(WaveformParser, GivesTheSamePointsWhereverTheTextIsCut) {
    const std::string text = "\xEF\xBB\xBF 1\r\n0.5\r\r\n-0.25\0x\n\t\n 3e-1 "s;
    const Points whole = ParseWaveformPoints(text);
    ASSERT_EQ(whole, (Points{1.0, 0.5, -0.25, 0.0, 0.0, 0.3}));
    for (std::size_t cut = 0; cut <= text.size(); ++cut) {
        WaveformParser parser;
        parser.Feed(std::string_view(text).substr(0, cut));
        parser.Feed(std::string_view(text).substr(cut));
        parser.Finish();
        EXPECT_EQ(parser.Points(), whole) << cut;
        EXPECT_FALSE(parser.TooManyPoints());
    }
}

TEST(WaveformParser, HasNoLineLengthLimit) {
    const std::string line = std::string(3'000'000, ' ') + "0.125" + std::string(100, ' ');
    EXPECT_EQ(ParseWaveformPoints(line + "\n" + line), (Points{0.125, 0.125}));
}

class WaveformLoader : public ::testing::Test {
  protected:
    void SetUp() override {
        folder_ = std::filesystem::temp_directory_path() /
                  ("tonquelle-waveform-" +
                   std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        std::filesystem::create_directories(folder_);
        stream_.Config = {0, 8000, 32, 10, 0x1, 1};
        stream_.BufferFrames = 4;
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }

    std::filesystem::path Write(const std::string& name, const std::string& content) {
        const auto path = folder_ / name;
        std::ofstream(path, std::ios::binary) << content;
        return path;
    }

    Points Pending(std::int32_t channel, std::int32_t slot) {
        const WaveformTable& table = stream_.Channels[channel].PendingWaveforms[slot];
        return Points(table.Points.get(), table.Points.get() + table.PointCount);
    }

    std::filesystem::path folder_;
    OutputStream stream_;
};

TEST_F(WaveformLoader, HandsTheTableToThePendingSlot) {
    ASSERT_TRUE(LoadWaveformFile(stream_, 3, WaveformSlotAM, Write("a.csv", "1\n0.5\n\n-1")));
    EXPECT_EQ(Pending(3, WaveformSlotAM), (Points{1.0, 0.5, -1.0}));
    EXPECT_TRUE(stream_.Channels[3].PendingWaveforms[WaveformSlotCarrier].Empty());
    ASSERT_TRUE(LoadWaveformFile(stream_, 0, WaveformSlotCarrier, Write("b.txt", "2.5")));
    EXPECT_EQ(Pending(0, WaveformSlotCarrier), Points{2.5});  // kept beyond full scale
}

TEST_F(WaveformLoader, RefusesWhatItCannotReadAndKeepsThePreviousTable) {
    ASSERT_TRUE(LoadWaveformFile(stream_, 1, WaveformSlotCarrier, Write("ok.txt", "0.5\n")));
    EXPECT_FALSE(LoadWaveformFile(stream_, 1, WaveformSlotCarrier, folder_ / "missing.txt"));
    EXPECT_FALSE(LoadWaveformFile(stream_, 1, WaveformSlotCarrier, Write("empty.txt", "")));
    EXPECT_FALSE(
        LoadWaveformFile(stream_, 1, WaveformSlotCarrier, Write("blank.txt", "\r\n  \n\n")));
    EXPECT_FALSE(LoadWaveformFile(stream_, 1, WaveformSlotCarrier, folder_));  // a folder
    EXPECT_FALSE(LoadWaveformFile(stream_, MaxChannels, WaveformSlotCarrier, folder_ / "ok.txt"));
    EXPECT_FALSE(LoadWaveformFile(stream_, -1, WaveformSlotCarrier, folder_ / "ok.txt"));
    EXPECT_FALSE(LoadWaveformFile(stream_, 1, WaveformSlotCount, folder_ / "ok.txt"));
    EXPECT_EQ(Pending(1, WaveformSlotCarrier), Points{0.5});
}

TEST_F(WaveformLoader, OfTwoTablesLoadedBeforeABufferOnlyTheSecondPlays) {
    ChannelSettings& settings = stream_.Channels[0].EditSettings;
    settings.Flags = 0;
    settings.Waveform = WaveformIndex::User;
    settings.Amplitude = 1.0;
    PublishChannel(stream_, -1);
    ASSERT_TRUE(LoadWaveformFile(stream_, 0, WaveformSlotCarrier, Write("first.txt", "-1\n")));
    ASSERT_TRUE(LoadWaveformFile(stream_, 0, WaveformSlotCarrier, Write("second.txt", "0.5\n")));

    std::vector<std::uint8_t> buffer(16);
    RenderBuffer(stream_, buffer.data());
    // One point, 0.5 at every phase: code 1073741824 = 0x40000000 in every frame.
    const std::vector<std::uint8_t> frame{0x00, 0x00, 0x00, 0x40};
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(std::vector<std::uint8_t>(buffer.begin() + 4 * i, buffer.begin() + 4 * i + 4),
                  frame);
    }
    EXPECT_TRUE(stream_.Channels[0].PendingWaveforms[WaveformSlotCarrier].Empty());
}

}  // namespace
}  // namespace tonquelle
