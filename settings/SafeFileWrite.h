#pragma once

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string_view>

namespace tonquelle {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

// Moves a finished temporary file over its destination; true on success.
using FileRenamer =
    std::function<bool(const std::filesystem::path& from, const std::filesystem::path& to)>;

// std::filesystem::rename without exceptions: replaces an existing destination.
bool RenameFile(const std::filesystem::path& from, const std::filesystem::path& to);

// A new file that is to replace `destination` whole: written first, then put in place by
// PutInPlace, so that a crash, a kill or a full disk at any moment leaves either the old file or
// the new one, never a cut one. Where the system allows (Linux's O_TMPFILE) the file has no name
// until PutInPlace, so not even a killed process leaves anything behind; elsewhere it is
// ".<name>.<number>.tmp" beside the destination (see RemoveStaleTemporaries). Destroyed before
// PutInPlace, it leaves nothing.
class PendingFile {
  public:
    // Creates the file in the destination's folder. `destination` is taken as it is: pass the
    // file to replace (see FileToReplace).
    explicit PendingFile(const std::filesystem::path& destination);
    ~PendingFile() { Discard(); }
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    // False when the folder takes no new files; errno then tells why.
    bool IsOpen() const { return file_ != nullptr; }
    std::FILE* Stream() const { return file_.get(); }

    // Flushes what was written to the disk, closes the file, gives it `permissions` when set and
    // moves it over the destination with `rename`. True on success; on failure the destination is
    // as it was and the new file is gone. Either way the file is no longer pending.
    bool PutInPlace(const FileRenamer& rename = RenameFile,
                    std::optional<std::filesystem::perms> permissions = std::nullopt);

    // Closes and removes the file. Safe to call at any time.
    void Discard();

  private:
    bool GiveName();

    std::filesystem::path destination_;
    std::filesystem::path temporary_;  // the file's name; empty while it has none
    FileHandle file_;
};

// The file that writing to `path` replaces: `path` itself, or for a symbolic link the file it
// finally points to (which need not exist yet), so that the link stays.
std::filesystem::path FileToReplace(const std::filesystem::path& path);

// True when new files can be created in `folder`. Leaves nothing behind.
bool CanCreateFilesIn(const std::filesystem::path& folder);

// True when a file could be written at `path`: its folder exists and takes new files, and an
// existing file there is not write-protected. Leaves nothing behind.
bool CanWriteFileAt(const std::filesystem::path& path);

// Removes the temporary files of PendingFile beside `destination` (".<name>.<number>.tmp") that
// are older than `age`: what a process killed while writing left behind. Younger ones may belong
// to a save in progress.
void RemoveStaleTemporaries(const std::filesystem::path& destination,
                            std::chrono::seconds age = std::chrono::minutes(1));

// What writing over a symbolic link replaces.
enum class AtSymbolicLink {
    ReplaceTarget,  // the file the link points to; the link stays
    ReplaceLink,    // the link itself; the file it points to is not touched
};

// Replaces the contents of the file at `path` by `text` through a PendingFile (first removing
// stale temporary files beside it); an existing file's permissions are kept. False when the file
// could not be replaced; the old file is then left as it was.
bool WriteFileSafely(const std::filesystem::path& path, std::string_view text,
                     const FileRenamer& rename = RenameFile,
                     AtSymbolicLink atLink = AtSymbolicLink::ReplaceTarget);

}  // namespace tonquelle
