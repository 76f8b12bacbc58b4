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

constexpr std::string_view Bom = "\xEF\xBB\xBF";

// The text a store writes for the given writes into group "G" of a new file.
std::string WrittenText(const TemporaryFolder& folder, auto writes) {
    SettingsFile store;
    EXPECT_TRUE(store.CreateForWriting(folder / "out.ini"));
    store.SelectGroup("G");
    writes(store);
    store.Close();
    EXPECT_FALSE(store.WriteBackFailed());
    return ReadBytes(folder / "out.ini");
}

TEST(SettingsFileWrite, ANewFileStartsWithByteOrderMarkAndEmptyLineAndSeparatesGroups) {
    TemporaryFolder folder;
    SettingsFile store;
    ASSERT_TRUE(store.CreateForWriting(folder / "out.ini"));
    EXPECT_FALSE(store.SelectGroup("First"));
    store.WriteInteger("A", 1);
    EXPECT_FALSE(store.SelectGroup("NeverWritten"));
    EXPECT_FALSE(store.SelectGroup("Second"));
    store.WriteString("Name", "K\xC3\xA4se");
    EXPECT_TRUE(store.SelectGroup("first"));
    store.WriteInteger("B", 2);
    store.Close();
    EXPECT_EQ(ReadBytes(folder / "out.ini"), std::string(Bom) +
                                                 "\r\n[First]\r\nA = 1\r\nB = 2\r\n"
                                                 "\r\n[Second]\r\nName = K\xC3\xA4se\r\n");
}

TEST(SettingsFileWrite, IntegersAsPercentI) {
    TemporaryFolder folder;
    const std::string text = WrittenText(folder, [](SettingsFile& store) {
        store.WriteInteger("A", -1);
        store.WriteInteger("B", 44100);
        store.WriteInteger("C", std::numeric_limits<std::int32_t>::min());
        store.WriteInteger("D", 0);
    });
    EXPECT_EQ(text,
              std::string(Bom) + "\r\n[G]\r\nA = -1\r\nB = 44100\r\nC = -2147483648\r\nD = 0\r\n");
}

TEST(SettingsFileWrite, DoublesWithAllTheirDigitsAndSpecialValuesAsWords) {
    TemporaryFolder folder;
    const std::string text = WrittenText(folder, [](SettingsFile& store) {
        store.WriteDouble("Integral", 440.0);
        store.WriteDouble("Tenth", 0.1);
        store.WriteDouble("NegativeZero", -0.0);
        store.WriteDouble("Large", 1e300);
        store.WriteDouble("Small", 0.0001);
        store.WriteDouble("Plus", std::numeric_limits<double>::infinity());
        store.WriteDouble("Minus", -std::numeric_limits<double>::infinity());
        store.WriteDouble("NotANumber", std::numeric_limits<double>::quiet_NaN());
    });
    // Exact binary values written out in decimal by hand.
    EXPECT_EQ(
        text,
        std::string(Bom) +
            "\r\n[G]\r\nIntegral = 440\r\n"
            "Tenth = 0.1000000000000000055511151231257827021181583404541015625\r\n"
            "NegativeZero = -0\r\n"
            "Large = 1.000000000000000052504760255204420248704468581108159154915854116e+300\r\n"
            "Small = 0.000100000000000000004792173602385929598312941379845142364501953125\r\n"
            "Plus = +Infinity\r\nMinus = -Infinity\r\nNotANumber = NaN\r\n");
}

TEST(SettingsFileWrite, DoubleTextEqualsTheCLibrarysPercentG64) {
    TemporaryFolder folder;
    const double values[] = {1.0 / 3,     2.0 / 3,     1e-300,  5e-324, 1e22, 1e23,
                             123456789.0, 1.5e-5,      -2.75,   1e63,   1e64, 1e65,
                             0.5,         9.999999e-5, 6.02e23, -1e-310};
    std::string expected = std::string(Bom) + "\r\n[G]\r\n";
    ASSERT_TRUE(std::setlocale(LC_NUMERIC, "C"));
    for (std::size_t i = 0; i < std::size(values); ++i) {
        char digits[128];
        std::snprintf(digits, sizeof digits, "%.64g", values[i]);
        expected += "K" + std::to_string(i) + " = " + digits + "\r\n";
    }
    const std::string text = WrittenText(folder, [&](SettingsFile& store) {
        for (std::size_t i = 0; i < std::size(values); ++i) {
            store.WriteDouble("K" + std::to_string(i), values[i]);
        }
    });
    EXPECT_EQ(text, expected);
}

TEST(SettingsFileWrite, WritingIntoAReadFileReplacesAndInsertsInPlace) {
    TemporaryFolder folder;
    WriteBytes(folder / "in.ini", "Loose=1\n[G]\nkey=old\n; remark\n[H]\nX=1\n[g]\nkey=hidden\n");
    SettingsFile store;
    ASSERT_TRUE(store.OpenForReading(folder / "in.ini"));
    store.SelectGroup("");
    store.WriteInteger("Early", 5);  // before the first header
    ASSERT_TRUE(store.SelectGroup("G"));
    store.WriteString("KEY", "new");  // replaces the first key and takes its letter case
    store.WriteInteger("Added", 2);   // at the end of the first [G], after the comment
    store.Close();
    EXPECT_FALSE(store.WriteBackFailed());
    EXPECT_EQ(ReadBytes(folder / "in.ini"), std::string(Bom) +
                                                "Loose = 1\r\nEarly = 5\r\n[G]\r\nKEY = new\r\n"
                                                "; remark\r\nAdded = 2\r\n\r\n[H]\r\nX = 1\r\n"
                                                "\r\n[g]\r\nkey = hidden\r\n");
}

TEST(SettingsFileWrite, ReadWithoutWritesLeavesTheFileAlone) {
    TemporaryFolder folder;
    const std::string original = "[G]\nName=K\xE4se \n;x\n\n";
    WriteBytes(folder / "in.ini", original);
    SettingsFile store;
    ASSERT_TRUE(store.OpenForReading(folder / "in.ini"));
    store.SelectGroup("G");
    store.ReadString("Name", "");
    store.Close();
    EXPECT_EQ(ReadBytes(folder / "in.ini"), original);
}

TEST(SettingsFileWrite, AWrittenBackLatin1FileKeepsItsLetters) {
    TemporaryFolder folder;
    WriteBytes(folder / "in.ini", "[G]\nName=K\xE4se\n");
    SettingsFile store;
    ASSERT_TRUE(store.OpenForReading(folder / "in.ini"));
    store.SelectGroup("G");
    store.WriteInteger("Other", 1);
    store.Close();
    ASSERT_TRUE(store.OpenForReading(folder / "in.ini"));
    store.SelectGroup("G");
    EXPECT_EQ(store.ReadString("Name", ""), "K\xC3\xA4se");
}

TEST(SettingsFileWrite, ACreatedStoreClosedWithoutWritesLeavesAnEmptyFile) {
    TemporaryFolder folder;
    WriteBytes(folder / "out.ini", "[G]\nA=1\n");
    SettingsFile store;
    ASSERT_TRUE(store.CreateForWriting(folder / "out.ini"));
    store.SelectGroup("G");
    store.Close();
    EXPECT_EQ(ReadBytes(folder / "out.ini"), "");
    EXPECT_EQ(folder.FileNames(), std::vector<std::string>{"out.ini"});
}

TEST(SettingsFileWrite, CreatingInAMissingFolderFails) {
    TemporaryFolder folder;
    SettingsFile store;
    EXPECT_FALSE(store.CreateForWriting(folder / "missing" / "out.ini"));
    EXPECT_TRUE(folder.FileNames().empty());
}

TEST(SettingsFileWrite, LineBreaksInAValueStayOnItsLine) {
    TemporaryFolder folder;
    const std::string text = WrittenText(folder, [](SettingsFile& store) {
        store.WriteString("Name", "a\r\n[OutputDevice]\nb");
        store.WriteString("Padded", "  x  ");
    });
    EXPECT_EQ(text,
              std::string(Bom) + "\r\n[G]\r\nName = a  [OutputDevice] b\r\nPadded =   x  \r\n");
    SettingsFile store;
    ASSERT_TRUE(store.OpenForReading(folder / "out.ini"));
    EXPECT_FALSE(store.SelectGroup("OutputDevice"));
    ASSERT_TRUE(store.SelectGroup("G"));
    EXPECT_EQ(store.ReadString("Padded", ""), "x");
}

// Fails the rename that would put the new text in place, after checking that the text was
// complete on disk by then.
class FailingRenameStore : public SettingsFile {
  public:
    std::string TextAtRename;

  protected:
    bool RenameOver(const std::filesystem::path& from, const std::filesystem::path&) override {
        TextAtRename = ReadBytes(from);
        return false;
    }
};

TEST(SettingsFileWrite, AFailedWriteBackLeavesTheOldFileIntactAndNoTemporaryFile) {
    TemporaryFolder folder;
    const std::string original = "[G]\r\nA = 1\r\n\xE4\xFF\r\n";
    WriteBytes(folder / "out.ini", original);
    FailingRenameStore store;
    ASSERT_TRUE(store.CreateForWriting(folder / "out.ini"));
    store.SelectGroup("G");
    store.WriteInteger("A", 2);
    EXPECT_EQ(ReadBytes(folder / "out.ini"), original);  // nothing is touched before Close
    store.Close();
    EXPECT_TRUE(store.WriteBackFailed());
    EXPECT_EQ(store.TextAtRename, std::string(Bom) + "\r\n[G]\r\nA = 2\r\n");
    EXPECT_EQ(ReadBytes(folder / "out.ini"), original);
    EXPECT_EQ(folder.FileNames(), std::vector<std::string>{"out.ini"});
}

TEST(SettingsFileWrite, WritingThroughASymbolicLinkKeepsTheLink) {
    TemporaryFolder folder;
    WriteBytes(folder / "real.ini", "old");
    std::error_code error;
    std::filesystem::create_symlink(folder / "real.ini", folder / "link.ini", error);
    if (error) {
        GTEST_SKIP() << "symbolic links cannot be made here: " << error.message();
    }
    SettingsFile store;
    ASSERT_TRUE(store.CreateForWriting(folder / "link.ini"));
    store.WriteInteger("A", 1);
    store.Close();
    EXPECT_TRUE(std::filesystem::is_symlink(folder / "link.ini"));
    EXPECT_EQ(ReadBytes(folder / "real.ini"), std::string(Bom) + "\r\nA = 1\r\n");
}

}  // namespace
}  // namespace tonquelle
