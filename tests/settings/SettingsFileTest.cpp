#include "settings/SettingsFile.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

#include "tests/settings/TemporaryFolder.h"
#include "tests/support/GermanNumericLocale.h"
#include "tests/support/SymbolicLinks.h"

namespace tonquelle {
namespace {

using testing::ReadBytes;
using testing::WriteBytes;

const std::string Bom = "\xEF\xBB\xBF";

class SettingsFileTest : public ::testing::Test {
  protected:
    void Open(std::string_view bytes) {
        WriteBytes(folder_ / "test.ini", bytes);
        ASSERT_TRUE(store_.OpenForReading(folder_ / "test.ini"));
    }
    // Opens `bytes`, then checks each lookup "[group] key=value": selects the group ("*" keeps
    // the selection) and reads the key with the default "-". A group the file does not hold
    // shows as "no group: " before the value.
    void ExpectLookups(std::string_view bytes, std::initializer_list<std::string_view> lookups) {
        Open(bytes);
        for (const std::string_view lookup : lookups) {
            const std::size_t close = lookup.find("] "), equals = lookup.find('=', close);
            const bool found = lookup[1] == '*' || store_.SelectGroup(lookup.substr(1, close - 1));
            EXPECT_EQ((found ? "" : "no group: ") +
                          store_.ReadString(lookup.substr(close + 2, equals - close - 2), "-"),
                      lookup.substr(equals + 1))
                << lookup;
        }
    }
    // Opens a file holding `texts` as the values of keys K0, K1 ..., then checks what `read`
    // makes of each. NaN matches NaN.
    template <typename Number>
    void ExpectNumbers(Number (SettingsFile::*read)(std::string_view, Number),
                       std::initializer_list<const char*> texts, std::vector<Number> expected) {
        ASSERT_EQ(texts.size(), expected.size());
        std::string file;
        for (std::size_t i = 0; i < texts.size(); ++i) {
            file += "K" + std::to_string(i) + "=" + texts.begin()[i] + "\n";
        }
        Open(file);
        for (std::size_t i = 0; i < texts.size(); ++i) {
            const Number value = (store_.*read)("K" + std::to_string(i), 5);
            EXPECT_TRUE(value == expected[i] || (std::isnan(value) && std::isnan(expected[i])))
                << texts.begin()[i] << " read as " << value;
        }
    }
    // The text a store created for "out.ini" writes for what `writes` does.
    template <typename Store = SettingsFile>
    std::string Written(auto writes, bool expectFailure = false) {
        Store store;
        EXPECT_TRUE(store.CreateForWriting(folder_ / "out.ini"));
        writes(store);
        store.Close();
        EXPECT_EQ(store.WriteBackFailed(), expectFailure);
        return ReadBytes(folder_ / "out.ini");
    }

    testing::TemporaryFolder folder_;
    SettingsFile store_;
};

TEST_F(SettingsFileTest, WithoutAByteOrderMarkTheFileIsLatin1AndWrittenBackInPlaceAsUtf8) {
    const std::string latin1 = "L=1\n[G]\nkey=old\nName=K\xE4se\n; x\n[H]\nX=1\n[g]\nY=2\n";
    ExpectLookups(latin1, {"[G] Name=K\u00E4se", "[g] Y=-"});
    store_.SelectGroup("");
    store_.WriteInteger("Early", 5);  // before the first header
    store_.SelectGroup("G");
    store_.WriteString("KEY", "new");  // replaces the first key and takes its letter case
    store_.WriteInteger("Added", 2);   // at the end of the first [G], after the comment
    store_.Close();
    EXPECT_EQ(ReadBytes(folder_ / "test.ini"),
              "\xEF\xBB\xBFL = 1\r\nEarly = 5\r\n[G]\r\nKEY = new\r\nName = K\u00E4se\r\n; x\r\n"
              "Added = 2\r\n\r\n[H]\r\nX = 1\r\n\r\n[g]\r\nY = 2\r\n");
    // With a byte order mark the text is UTF-8, where only ASCII letters ignore case.
    ExpectLookups(Bom + "[\u00E4]\r\nName=K\u00E4se",
                  {"[\u00C4] Name=no group: -", "[\u00E4] Name=K\u00E4se"});
    // Two bytes of a byte order mark are no mark: Latin-1 characters of a key name.
    ExpectLookups("\xEF\xBBKey=1", {"[*] \u00EF\u00BBKey=1"});
}

TEST_F(SettingsFileTest, EveryLineEndStyleAndALastLineWithoutOne) {
    for (const std::string end : {"\r\n", "\n", "\r", "\n\r", "\r\n\r\n", "\n\n\r\r"}) {
        SCOPED_TRACE(::testing::PrintToString(end));
        ExpectLookups("A=1" + end + "[G]" + end + "B=2" + end + "C=3",
                      {"[*] A=1", "[*] B=-", "[G] B=2", "[G] C=3"});
    }
}

// Only the first of duplicate groups and keys counts; a pending group holds no keys.
TEST_F(SettingsFileTest, BlanksCaseCommentsDuplicatesAndKeysBeforeTheFirstHeader) {
    ExpectLookups(
        "A=1\n \t[outputdevice]\n \t samplerate \t=\t 48000 \t\nName =  two words \t\n; a\n\n   \n"
        "\t\nB=2\n;C=3\n  ; D=4\nE = x ; y\nF = a=b\nLonely  \nB=3\n[H]\nA=5\n[OUTPUTDEVICE]\nG=1\n"
        "[Open\nA=6\n[I] x ]\nA=7\n[ J ]\nA=8\n",
        {"[*] A=1", "[OutputDevice] SAMPLERATE=48000", "[*] name=two words", "[*] B=2", "[*] C=-",
         "[*] D=-", "[*] E=x ; y", "[*] F=a=b", "[*] Lonely=", "[*] G=-", "[H] A=5", "[Open] A=6",
         "[I] A=7", "[J] A=no group: -", "[ J ] A=8", "[Missing] A=no group: -", "[] A=1"});
}

// Malformed numbers read as 0, not the default; integers beyond 32 bits saturate.
TEST_F(SettingsFileTest, NumbersAreReadLikeScanfAndAtofWithAPointWhateverTheProcessLocale) {
    testing::GermanNumericLocale german;
    ASSERT_TRUE(german.Active()) << "no German locale, nor localedef to build one";
    ExpectNumbers(
        &SettingsFile::ReadInteger,
        {"abc", "", " -12xyz", "+7", "007", "3.9", "--5", "0x10", "-", "2147483647", "2147483648",
         "99999999999999999999", "-2147483648", "-2147483649", "-99999999999999999999"},
        {0, 0, -12, 7, 7, 3, 0, 0, 0, INT32_MAX, INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN,
         INT32_MIN});
    ExpectNumbers(
        &SettingsFile::ReadDouble,
        {"2.5", "2,5", " 2.5 V", "volts", "", "1e-3", "-.5", "1e999", "+infinity", "-INFINITY",
         "+Infinity  ", "nan", "NAN"},
        {2.5, 2.0, 2.5, 0.0, 0.0, 0.001, -0.5, INFINITY, INFINITY, -INFINITY, INFINITY, NAN, NAN});
    store_.WriteDouble("Written", 0.5);
    store_.Close();
    EXPECT_NE(ReadBytes(folder_ / "test.ini").find("Written = 0.5\r\n"), std::string::npos);
}

TEST_F(SettingsFileTest, ANewFileHasAByteOrderMarkAnEmptyLineBeforeEachGroupAndNoPendingOnes) {
    EXPECT_EQ(
        Written([](SettingsFile& store) {
            EXPECT_FALSE(store.SelectGroup("First"));
            store.WriteInteger("A", 1);
            EXPECT_FALSE(store.SelectGroup("NeverWritten"));
            EXPECT_FALSE(store.SelectGroup("Second"));
            store.WriteString("Broken", "a\r\n[OutputDevice]\nb");  // stays on its line
            EXPECT_TRUE(store.SelectGroup("first"));
            store.WriteInteger("B", -1);
        }),
        Bom + "\r\n[First]\r\nA = 1\r\nB = -1\r\n\r\n[Second]\r\nBroken = a  [OutputDevice] b\r\n");
}

// Fails the rename that would put the new text in place, after checking the text on disk.
struct FailingRenameStore : SettingsFile {
    bool RenameOver(const std::filesystem::path& from, const std::filesystem::path& to) override {
        EXPECT_EQ(from.parent_path(), to.parent_path());  // a rename within one file system
        EXPECT_EQ(ReadBytes(from), "\xEF\xBB\xBF\r\nA = 2\r\n");
        return false;
    }
};

TEST_F(SettingsFileTest, AWriteBackReplacesTheFileWholeOrNotAtAll) {
    WriteBytes(folder_ / "out.ini", "old\xE4");
    EXPECT_EQ(Written<FailingRenameStore>([](auto& store) { store.WriteInteger("A", 2); }, true),
              "old\xE4");
    EXPECT_EQ(folder_.FileNames(), std::vector<std::string>{"out.ini"});  // no temporary file
    // A store closed unwritten leaves the file empty.
    EXPECT_EQ(Written([](auto& store) { store.WriteInteger("A", 3); }), Bom + "\r\nA = 3\r\n");
    EXPECT_EQ(Written([](SettingsFile&) {}), "");
    EXPECT_FALSE(store_.CreateForWriting(folder_ / "missing" / "out.ini"));
    EXPECT_EQ(folder_.FileNames(), std::vector<std::string>{"out.ini"});
}

TEST_F(SettingsFileTest, AWriteBackThroughASymbolicLinkReplacesTheFileItPointsTo) {
    if (!testing::SymbolicLinksAvailable) {
        GTEST_SKIP() << testing::NoSymbolicLinks;
    }
    WriteBytes(folder_ / "real.ini", "old");
    std::filesystem::create_symlink(folder_ / "real.ini", folder_ / "out.ini");
    Written([](auto& store) { store.WriteInteger("A", 1); });  // through the link: the link stays
    EXPECT_TRUE(std::filesystem::is_symlink(folder_ / "out.ini"));
    EXPECT_EQ(ReadBytes(folder_ / "real.ini"), Bom + "\r\nA = 1\r\n");
}

}  // namespace
}  // namespace tonquelle
