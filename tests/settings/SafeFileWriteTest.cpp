#include "settings/SafeFileWrite.h"

#include <gtest/gtest.h>

#include "tests/settings/TemporaryFolder.h"

namespace tonquelle {
namespace {

using testing::ReadBytes;
using testing::TemporaryFolder;
using testing::WriteBytes;

TEST(SafeFileWrite, ReplacesTheWholeFile) {
    TemporaryFolder folder;
    WriteBytes(folder / "f.ini", "a much longer old text than the new one");
    EXPECT_TRUE(WriteFileSafely(folder / "f.ini", "new"));
    EXPECT_EQ(ReadBytes(folder / "f.ini"), "new");
    EXPECT_TRUE(WriteFileSafely(folder / "g.ini", std::string_view("\0x", 2)));
    EXPECT_EQ(ReadBytes(folder / "g.ini"), std::string("\0x", 2));
    EXPECT_EQ(folder.FileNames(), (std::vector<std::string>{"f.ini", "g.ini"}));
}

TEST(SafeFileWrite, AFailureAtTheRenameKeepsTheOldFileAndRemovesTheNewText) {
    TemporaryFolder folder;
    WriteBytes(folder / "f.ini", "old");
    std::string renamedText;
    const FileRenamer failing = [&](const std::filesystem::path& from,
                                    const std::filesystem::path& to) {
        EXPECT_EQ(from.parent_path(), to.parent_path());  // a rename within one file system
        renamedText = ReadBytes(from);
        return false;
    };
    EXPECT_FALSE(WriteFileSafely(folder / "f.ini", "new text", failing));
    EXPECT_EQ(renamedText, "new text");
    EXPECT_EQ(ReadBytes(folder / "f.ini"), "old");
    EXPECT_EQ(folder.FileNames(), std::vector<std::string>{"f.ini"});
}

TEST(SafeFileWrite, AMissingFolderFailsAndCreatesNothing) {
    TemporaryFolder folder;
    EXPECT_FALSE(CanWriteFileAt(folder / "none" / "f.ini"));
    EXPECT_FALSE(WriteFileSafely(folder / "none" / "f.ini", "text"));
    EXPECT_TRUE(CanWriteFileAt(folder / "f.ini"));
    EXPECT_TRUE(folder.FileNames().empty());
}

TEST(SafeFileWrite, TheNewFileKeepsTheOldOnesPermissions) {
    TemporaryFolder folder;
    WriteBytes(folder / "f.ini", "old");
    using std::filesystem::perms;
    const perms mode = perms::owner_read | perms::owner_write | perms::group_read;
    std::filesystem::permissions(folder / "f.ini", mode);
    ASSERT_TRUE(WriteFileSafely(folder / "f.ini", "new"));
    EXPECT_EQ(std::filesystem::status(folder / "f.ini").permissions() & perms::all, mode);
}

}  // namespace
}  // namespace tonquelle
