#pragma once

#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <string_view>
#include <utility>

namespace tonquelle {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

// Creates a new, empty file with an unused name beside `destination`, open for writing; never
// opens an existing file. An empty path and no handle when the folder takes no new files, with
// errno telling why.
std::pair<std::filesystem::path, FileHandle> CreateTemporaryBeside(
    const std::filesystem::path& destination);

// Moves the finished temporary file over the destination; true on success.
using FileRenamer =
    std::function<bool(const std::filesystem::path& from, const std::filesystem::path& to)>;

// std::filesystem::rename without exceptions: replaces an existing destination.
bool RenameFile(const std::filesystem::path& from, const std::filesystem::path& to);

// True when a file could be written at `path`: its folder exists and takes new files, and an
// existing file there is not write-protected. Leaves nothing behind.
bool CanWriteFileAt(const std::filesystem::path& path);

// Replaces the contents of the file at `path` by `text` so that a crash, a kill or a full disk at
// any moment leaves either the old file or the new one, never an empty or cut one: the text goes
// to a new file in the same folder, is flushed to the disk and only then renamed over the old
// file. On failure the old file is left as it was and the temporary file is removed.
bool WriteFileSafely(const std::filesystem::path& path, std::string_view text,
                     const FileRenamer& rename = RenameFile);

}  // namespace tonquelle
