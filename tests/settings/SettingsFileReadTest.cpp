#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <string>

#include "settings/SettingsFile.h"
#include "tests/settings/TemporaryFolder.h"

namespace tonquelle {
namespace {

using testing::ReadBytes;
using testing::TemporaryFolder;
using testing::WriteBytes;

constexpr std::int32_t Int32Max = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t Int32Min = std::numeric_limits<std::int32_t>::min();

// A store opened on a file holding exactly `bytes`.
class SettingsFileRead : public ::testing::Test {
  protected:
    void Open(std::string_view bytes) {
        WriteBytes(folder_ / "test.ini", bytes);
        ASSERT_TRUE(store_.OpenForReading(folder_ / "test.ini"));
    }

    TemporaryFolder folder_;
    SettingsFile store_;
};

TEST_F(SettingsFileRead, BytesWithoutByteOrderMarkAreLatin1AndWithItUtf8) {
    // "Käse" with ä as the Latin-1 byte E4, then as the UTF-8 bytes C3 A4.
    Open(
        "[Gr\xFC\xDF"
        "e]\r\nName=K\xE4se\r\n");
    EXPECT_TRUE(
        store_.SelectGroup("Gr\xC3\xBC\xC3\x9F"
                           "e"));
    EXPECT_EQ(store_.ReadString("Name", ""), "K\xC3\xA4se");

    Open(
        "\xEF\xBB\xBF[Gr\xC3\xBC\xC3\x9F"
        "e]\r\nName=K\xC3\xA4se\r\n");
    EXPECT_TRUE(
        store_.SelectGroup("Gr\xC3\xBC\xC3\x9F"
                           "e"));
    EXPECT_EQ(store_.ReadString("Name", ""), "K\xC3\xA4se");

    // Two bytes of a byte order mark are no mark: Latin-1 characters of a key name.
    Open("\xEF\xBBKey=1");
    EXPECT_EQ(store_.ReadInteger("\xC3\xAF\xC2\xBBKey", 0), 1);
}

TEST_F(SettingsFileRead, EveryLineEndStyleAndALastLineWithoutOne) {
    for (const std::string_view end : {"\r\n", "\n", "\r", "\n\r", "\r\n\r\n", "\n\n\r\r"}) {
        SCOPED_TRACE(::testing::PrintToString(std::string(end)));
        const std::string text = "A=1" + std::string(end) + "[G]" + std::string(end) + "B=2" +
                                 std::string(end) + "C=3";  // no line end after the last line
        Open(text);
        EXPECT_EQ(store_.ReadInteger("A", 0), 1);
        EXPECT_EQ(store_.ReadInteger("B", 0), 0);
        ASSERT_TRUE(store_.SelectGroup("G"));
        EXPECT_EQ(store_.ReadInteger("B", 0), 2);
        EXPECT_EQ(store_.ReadInteger("C", 0), 3);
    }
}

TEST_F(SettingsFileRead, BlanksAroundNamesAndLetterCaseDoNotMatter) {
    Open(" \t[outputdevice]\n \t samplerate \t=\t 48000 \t\nName =  two words \t\n");
    ASSERT_TRUE(store_.SelectGroup("OutputDevice"));
    EXPECT_EQ(store_.ReadInteger("SampleRate", 0), 48000);
    EXPECT_EQ(store_.ReadInteger("SAMPLERATE", 0), 48000);
    EXPECT_EQ(store_.ReadString("name", "x"), "two words");
}

TEST_F(SettingsFileRead, OnlyAsciiLettersIgnoreCase) {
    Open("\xEF\xBB\xBF[\xC3\xA4]\nK=1\n");  // "ä" does not match "Ä"
    EXPECT_FALSE(store_.SelectGroup("\xC3\x84"));
    EXPECT_TRUE(store_.SelectGroup("\xC3\xA4"));
}

TEST_F(SettingsFileRead, CommentsAndBlankLinesBetweenKeysDoNotDisturbLookup) {
    Open("[G]\nA=1\n; a comment\n\n   \n\t\nB=2\n;C=3\n  ; D=4\nE = x ; y\nF = a=b\n");
    ASSERT_TRUE(store_.SelectGroup("G"));
    EXPECT_EQ(store_.ReadInteger("A", 0), 1);
    EXPECT_EQ(store_.ReadInteger("B", 0), 2);
    EXPECT_EQ(store_.ReadInteger("C", -1), -1);
    EXPECT_EQ(store_.ReadInteger("D", -1), -1);
    EXPECT_EQ(store_.ReadString("E", ""), "x ; y");  // a semicolon in a value is text
    EXPECT_EQ(store_.ReadString("F", ""), "a=b");
}

TEST_F(SettingsFileRead, OnlyTheFirstOfDuplicateGroupsAndKeysIsSeen) {
    Open("[G]\nA=1\nA=2\n[H]\nA=5\n[g]\nA=3\nB=4\n");
    ASSERT_TRUE(store_.SelectGroup("G"));
    EXPECT_EQ(store_.ReadInteger("A", 0), 1);
    EXPECT_EQ(store_.ReadInteger("B", -1), -1);
    ASSERT_TRUE(store_.SelectGroup("H"));
    EXPECT_EQ(store_.ReadInteger("A", 0), 5);
}

TEST_F(SettingsFileRead, KeysBeforeTheFirstHeaderBelongToNoGroup) {
    Open("A=1\n[G]\nB=2\n");
    EXPECT_EQ(store_.ReadInteger("A", 0), 1);  // no group selected yet
    ASSERT_TRUE(store_.SelectGroup("G"));
    EXPECT_EQ(store_.ReadInteger("A", 0), 0);
    ASSERT_TRUE(store_.SelectGroup(""));
    EXPECT_EQ(store_.ReadInteger("A", 0), 1);
    EXPECT_EQ(store_.ReadInteger("B", 0), 0);
}

TEST_F(SettingsFileRead, APendingGroupFindsNothing) {
    Open("A=1\n[G]\nB=2\n");
    EXPECT_FALSE(store_.SelectGroup("Missing"));
    EXPECT_EQ(store_.ReadInteger("A", 7), 7);  // not the keys before the first header
    EXPECT_EQ(store_.ReadString("B", "d"), "d");
}

TEST_F(SettingsFileRead, HeaderNames) {
    Open("[Open group\nA=1\n[G] trailing text ]\nA=2\n[ spaced ]\nA=3\n");
    ASSERT_TRUE(store_.SelectGroup("Open group"));
    EXPECT_EQ(store_.ReadInteger("A", 0), 1);
    ASSERT_TRUE(store_.SelectGroup("G"));
    EXPECT_EQ(store_.ReadInteger("A", 0), 2);
    EXPECT_FALSE(store_.SelectGroup("spaced"));
    ASSERT_TRUE(store_.SelectGroup(" spaced "));
    EXPECT_EQ(store_.ReadInteger("A", 0), 3);
}

TEST_F(SettingsFileRead, PresentButEmptyValuesAreNotTheDefault) {
    Open("[G]\nLonely  \nEmpty =\t\n");
    ASSERT_TRUE(store_.SelectGroup("G"));
    EXPECT_EQ(store_.ReadString("Lonely", "default"), "");
    EXPECT_EQ(store_.ReadString("Empty", "default"), "");
    EXPECT_EQ(store_.ReadInteger("Lonely", 7), 0);
    EXPECT_EQ(store_.ReadDouble("Empty", 7.0), 0.0);
}

TEST_F(SettingsFileRead, IntegersAreScannedLikePercentD) {
    Open(
        "[G]\nLetters=abc\nTrailing= -12xyz\nPlus=+7\nMax=2147483647\nMin=-2147483648\n"
        "Huge=99999999999999999999\nTiny=-99999999999999999999\nJustAbove=2147483648\n"
        "DoubleSign=--5\nHex=0x10\nPoint=3.9\nLeadingZeros=007\nSignOnly=-\n");
    ASSERT_TRUE(store_.SelectGroup("G"));
    EXPECT_EQ(store_.ReadInteger("Letters", 5), 0);
    EXPECT_EQ(store_.ReadInteger("Missing", 5), 5);
    EXPECT_EQ(store_.ReadInteger("Trailing", 5), -12);
    EXPECT_EQ(store_.ReadInteger("Plus", 5), 7);
    EXPECT_EQ(store_.ReadInteger("Max", 5), Int32Max);
    EXPECT_EQ(store_.ReadInteger("Min", 5), Int32Min);
    // Beyond 32 bits: the nearest 32-bit value.
    EXPECT_EQ(store_.ReadInteger("Huge", 5), Int32Max);
    EXPECT_EQ(store_.ReadInteger("Tiny", 5), Int32Min);
    EXPECT_EQ(store_.ReadInteger("JustAbove", 5), Int32Max);
    EXPECT_EQ(store_.ReadInteger("DoubleSign", 5), 0);
    EXPECT_EQ(store_.ReadInteger("Hex", 5), 0);
    EXPECT_EQ(store_.ReadInteger("Point", 5), 3);
    EXPECT_EQ(store_.ReadInteger("LeadingZeros", 5), 7);
    EXPECT_EQ(store_.ReadInteger("SignOnly", 5), 0);
}

TEST_F(SettingsFileRead, DoublesAreReadLikeAtofWithInfinityAndNaN) {
    Open(
        "[G]\nLower=nan\nUpper=NAN\nPlusInf=+infinity\nMinusInf=-INFINITY\nExponent=1e-3\n"
        "Comma=0,5\nLetters=volts\nUnit= 2.5 V\nHugeExponent=1e999\nBarePoint=-.5\n"
        "BlanksAfter=+Infinity  \n");
    ASSERT_TRUE(store_.SelectGroup("G"));
    EXPECT_TRUE(std::isnan(store_.ReadDouble("Lower", 1.0)));
    EXPECT_TRUE(std::isnan(store_.ReadDouble("Upper", 1.0)));
    EXPECT_EQ(store_.ReadDouble("PlusInf", 1.0), std::numeric_limits<double>::infinity());
    EXPECT_EQ(store_.ReadDouble("MinusInf", 1.0), -std::numeric_limits<double>::infinity());
    EXPECT_EQ(store_.ReadDouble("BlanksAfter", 1.0), std::numeric_limits<double>::infinity());
    EXPECT_EQ(store_.ReadDouble("Exponent", 1.0), 0.001);
    EXPECT_EQ(store_.ReadDouble("Comma", 1.0), 0.0);  // only a point separates decimals
    EXPECT_EQ(store_.ReadDouble("Letters", 1.0), 0.0);
    EXPECT_EQ(store_.ReadDouble("Missing", 1.5), 1.5);
    EXPECT_EQ(store_.ReadDouble("Unit", 1.0), 2.5);
    EXPECT_EQ(store_.ReadDouble("HugeExponent", 1.0), std::numeric_limits<double>::infinity());
    EXPECT_EQ(store_.ReadDouble("BarePoint", 1.0), -0.5);
}

TEST_F(SettingsFileRead, NumbersIgnoreTheProcessLocale) {
    const char* german = nullptr;
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "de_DE", "German_Germany.1252"}) {
        if (std::setlocale(LC_NUMERIC, name)) {
            german = name;
            break;
        }
    }
    if (!german) {
        GTEST_SKIP() << "no German locale installed; the store converts numbers with "
                        "std::from_chars and std::to_chars, which never consult the locale";
    }
    char localeText[16];
    std::snprintf(localeText, sizeof localeText, "%.1f", 2.5);
    Open("[G]\nPoint=2.5\nComma=2,5\n");
    ASSERT_TRUE(store_.SelectGroup("G"));
    const double point = store_.ReadDouble("Point", 0.0);
    const double comma = store_.ReadDouble("Comma", 0.0);
    store_.WriteDouble("Written", 0.5);
    store_.Close();
    std::setlocale(LC_NUMERIC, "C");
    EXPECT_STREQ(localeText, "2,5") << german << " is no comma locale";
    EXPECT_EQ(point, 2.5);
    EXPECT_EQ(comma, 2.0);
    EXPECT_NE(ReadBytes(folder_ / "test.ini").find("Written = 0.5\r\n"), std::string::npos);
}

TEST(SettingsFileOpen, AMissingFileGivesDefaultsAndCreatesNothing) {
    TemporaryFolder folder;
    SettingsFile store;
    EXPECT_FALSE(store.OpenForReading(folder / "missing.ini"));
    EXPECT_FALSE(store.SelectGroup("G"));
    EXPECT_EQ(store.ReadInteger("A", 4), 4);
    EXPECT_EQ(store.ReadString("A", "d"), "d");
    store.WriteInteger("A", 1);  // kept in memory only: there is no file to write back to
    store.Close();
    EXPECT_FALSE(store.WriteBackFailed());
    EXPECT_TRUE(folder.FileNames().empty());

    EXPECT_FALSE(store.OpenForReading(folder.Path()));  // a folder is no settings file
}

TEST(SettingsFileOpen, ReopeningForgetsTheFormerFile) {
    TemporaryFolder folder;
    WriteBytes(folder / "a.ini", "[G]\nA=1\n");
    WriteBytes(folder / "b.ini", "[H]\nB=2\n");
    SettingsFile store;
    ASSERT_TRUE(store.OpenForReading(folder / "a.ini"));
    ASSERT_TRUE(store.SelectGroup("G"));
    ASSERT_TRUE(store.OpenForReading(folder / "b.ini"));
    EXPECT_EQ(store.ReadInteger("A", 0), 0);  // no group is current in the new file
    EXPECT_FALSE(store.SelectGroup("G"));
    EXPECT_TRUE(store.SelectGroup("H"));
    EXPECT_EQ(ReadBytes(folder / "a.ini"), "[G]\nA=1\n");
}

}  // namespace
}  // namespace tonquelle
