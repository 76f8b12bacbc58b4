#include "settings/SafeFileWrite.h"

#include <array>
#include <cerrno>
#include <cstdio>
#include <memory>
#include <random>
#include <string>

#if defined(_WIN32)
#include <io.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace tonquelle {

namespace fs = std::filesystem;

namespace {

#if defined(_WIN32)
bool FlushToDisk(std::FILE* file) {
    return _commit(_fileno(file)) == 0;
}
void FlushFolderToDisk(const fs::path&) {}  // NTFS journals the rename itself
#else
bool FlushToDisk(std::FILE* file) {
    return fsync(fileno(file)) == 0;
}

// Makes the rename itself durable; a failure here loses nothing that was not lost before.
void FlushFolderToDisk(const fs::path& folder) {
    const int descriptor = open(folder.empty() ? "." : folder.c_str(), O_RDONLY);
    if (descriptor >= 0) {
        fsync(descriptor);
        close(descriptor);
    }
}
#endif

// A symbolic link is followed, so the file it points to is replaced and the link stays.
fs::path Destination(const fs::path& path) {
    std::error_code error;
    if (fs::is_symlink(path, error)) {
        fs::path target = fs::canonical(path, error);
        if (!error) {
            return target;
        }
    }
    return path;
}

bool WriteAndFlush(FileHandle file, std::string_view text) {
    const bool written = std::fwrite(text.data(), 1, text.size(), file.get()) == text.size() &&
                         std::fflush(file.get()) == 0 && FlushToDisk(file.get());
    return std::fclose(file.release()) == 0 && written;
}

}  // namespace

std::pair<fs::path, FileHandle> CreateTemporaryBeside(const fs::path& destination) {
    constexpr int Attempts = 16;
    std::random_device random;
    for (int attempt = 0; attempt < Attempts; ++attempt) {
        const std::string suffix = "." + std::to_string(random()) + ".tmp";
        fs::path temporary = destination;
        temporary.replace_filename("." + destination.filename().string() + suffix);
        FileHandle file(std::fopen(temporary.string().c_str(), "wbx"));
        if (file) {
            return {temporary, std::move(file)};
        }
        if (errno != EEXIST) {
            break;  // not a name clash: the folder is missing or write-protected
        }
    }
    return {};
}

bool RenameFile(const fs::path& from, const fs::path& to) {
    std::error_code error;
    fs::rename(from, to, error);
    return !error;
}

bool CanWriteFileAt(const fs::path& path) {
    const fs::path destination = Destination(path);
    auto [temporary, file] = CreateTemporaryBeside(destination);
    if (!file) {
        return false;
    }
    file.reset();
    std::error_code error;
    fs::remove(temporary, error);
    if (!fs::exists(destination, error)) {
        return true;
    }
    // Opening for update neither truncates nor creates.
    return FileHandle(std::fopen(destination.string().c_str(), "r+b")) != nullptr;
}

bool WriteFileSafely(const fs::path& path, std::string_view text, const FileRenamer& rename) {
    const fs::path destination = Destination(path);
    auto [temporary, file] = CreateTemporaryBeside(destination);
    if (!file) {
        return false;
    }
    std::error_code error;
    if (!WriteAndFlush(std::move(file), text)) {
        fs::remove(temporary, error);
        return false;
    }
    const fs::file_status old = fs::status(destination, error);
    if (!error && fs::exists(old)) {
        fs::permissions(temporary, old.permissions(), error);  // a failure only loses the mode
    }
    if (!rename(temporary, destination)) {
        fs::remove(temporary, error);
        return false;
    }
    FlushFolderToDisk(destination.parent_path());
    return true;
}

}  // namespace tonquelle
