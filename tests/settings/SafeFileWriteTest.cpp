// Replacing files whole: the pending file, what it leaves behind, and symbolic links.

#include "settings/SafeFileWrite.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "tests/settings/TemporaryFolder.h"
#include "tests/support/SymbolicLinks.h"

namespace tonquelle {
namespace {

namespace fs = std::filesystem;
using testing::ReadBytes;
using testing::WriteBytes;
using Names = std::vector<std::string>;

void Write(PendingFile& file, std::string_view text) {
    ASSERT_TRUE(file.IsOpen());
    ASSERT_EQ(std::fwrite(text.data(), 1, text.size(), file.Stream()), text.size());
    ASSERT_EQ(std::fflush(file.Stream()), 0);
}

#if defined(__linux__)
// Linux creates the file without a name (O_TMPFILE): while it is written, the folder shows only
// the old file, so a process killed now leaves nothing behind.
TEST(PendingFile, HasNoNameUntilItIsPutInPlace) {
    testing::TemporaryFolder folder;
    WriteBytes(folder / "data.ini", "old");
    PendingFile file(folder / "data.ini");
    Write(file, "new text");
    EXPECT_EQ(folder.FileNames(), Names{"data.ini"});
    ASSERT_TRUE(file.PutInPlace());
    EXPECT_EQ(ReadBytes(folder / "data.ini"), "new text");
    EXPECT_EQ(folder.FileNames(), Names{"data.ini"});
}
#endif

TEST(PendingFile, DroppedUnfinishedItLeavesTheOldFileAndNothingElse) {
    testing::TemporaryFolder folder;
    WriteBytes(folder / "data.ini", "old");
    {
        PendingFile file(folder / "data.ini");
        Write(file, "new text");
    }
    EXPECT_EQ(ReadBytes(folder / "data.ini"), "old");
    EXPECT_EQ(folder.FileNames(), Names{"data.ini"});
}

TEST(PendingFile, PutInPlaceGivesThePermissionsAsked) {
    testing::TemporaryFolder folder;
    PendingFile file(folder / "new.ini");
    Write(file, "text");
    constexpr fs::perms asked =
        fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;  // 0640
    ASSERT_TRUE(file.PutInPlace(RenameFile, asked));
#if defined(_WIN32)
    // Windows keeps no owner, group and others, only whether a file is read-only: a writable
    // file reads as 0666.
    constexpr fs::perms kept = fs::perms::owner_read | fs::perms::owner_write |
                               fs::perms::group_read | fs::perms::group_write |
                               fs::perms::others_read | fs::perms::others_write;
#else
    constexpr fs::perms kept = asked;
#endif
    EXPECT_EQ(fs::status(folder / "new.ini").permissions(), kept);
}

TEST(PendingFile, AFolderThatTakesNoFilesGivesNone) {
    testing::TemporaryFolder folder;
    WriteBytes(folder / "plain", "a file, not a folder");
    EXPECT_FALSE(PendingFile(folder / "plain" / "data.ini").IsOpen());
    EXPECT_FALSE(CanCreateFilesIn(folder / "plain"));
    EXPECT_FALSE(CanCreateFilesIn(folder / "missing"));
    EXPECT_TRUE(CanCreateFilesIn(folder.Path()));
    EXPECT_EQ(folder.FileNames(), Names{"plain"});
}

// Where a save was killed before its file had a name of its own, ".<name>.<number>.tmp" stays;
// the next save removes those older than a minute and leaves younger ones (a save going on
// now) and everything else alone.
TEST(WriteFileSafely, RemovesTemporaryFilesOfKilledSavesOlderThanAMinute) {
    testing::TemporaryFolder folder;
    const auto twoMinutesAgo = fs::file_time_type::clock::now() - std::chrono::minutes(2);
    for (const char* name : {".data.ini.123.tmp", ".data.ini.12x.tmp", ".other.ini.789.tmp",
                             "data.ini.123.tmp", ".data.ini..tmp"}) {
        WriteBytes(folder / name, "left over");
        fs::last_write_time(folder / name, twoMinutesAgo);
    }
    WriteBytes(folder / ".data.ini.456.tmp", "being written");
    ASSERT_TRUE(WriteFileSafely(folder / "data.ini", "text"));
    EXPECT_EQ(folder.FileNames(), (Names{".data.ini..tmp", ".data.ini.12x.tmp", ".data.ini.456.tmp",
                                         ".other.ini.789.tmp", "data.ini", "data.ini.123.tmp"}));
}

TEST(WriteFileSafely, ASymbolicLinkIsFollowedOrReplacedAsAsked) {
    if (!testing::SymbolicLinksAvailable) {
        GTEST_SKIP() << testing::NoSymbolicLinks;
    }
    testing::TemporaryFolder folder;
    fs::create_directory(folder / "elsewhere");
    WriteBytes(folder / "elsewhere" / "real.ini", "old");
    fs::create_symlink("elsewhere/real.ini", folder / "link.ini");  // relative to the link

    ASSERT_TRUE(WriteFileSafely(folder / "link.ini", "through the link"));
    EXPECT_TRUE(fs::is_symlink(folder / "link.ini"));
    EXPECT_EQ(ReadBytes(folder / "elsewhere" / "real.ini"), "through the link");

    ASSERT_TRUE(WriteFileSafely(folder / "link.ini", "instead of the link", RenameFile,
                                AtSymbolicLink::ReplaceLink));
    EXPECT_FALSE(fs::is_symlink(folder / "link.ini"));
    EXPECT_EQ(ReadBytes(folder / "link.ini"), "instead of the link");
    EXPECT_EQ(ReadBytes(folder / "elsewhere" / "real.ini"), "through the link");

    // A link to a file that does not exist yet makes that file, as a shell's ">" does.
    fs::create_symlink(folder / "elsewhere" / "new.ini", folder / "dangling.ini");
    ASSERT_TRUE(WriteFileSafely(folder / "dangling.ini", "made"));
    EXPECT_TRUE(fs::is_symlink(folder / "dangling.ini"));
    EXPECT_EQ(ReadBytes(folder / "elsewhere" / "new.ini"), "made");
}

}  // namespace
}  // namespace tonquelle
