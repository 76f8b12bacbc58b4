#include "settings/SafeFileWrite.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
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

constexpr std::string_view TemporarySuffix = ".tmp";
// Symbolic links followed before giving up on a loop, as the kernel does.
constexpr int MaxLinkHops = 40;

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
    const int descriptor = open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor >= 0) {
        fsync(descriptor);
        close(descriptor);
    }
}
#endif

#if defined(O_TMPFILE)
// Linking a nameless file goes through its /proc/self/fd entry: without /proc it cannot be named.
FileHandle CreateNameless(const fs::path& folder) {
    if (access("/proc/self/fd", X_OK) != 0) {
        return nullptr;
    }
    const int descriptor =
        open(folder.empty() ? "." : folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (descriptor < 0) {
        return nullptr;
    }
    FileHandle file(fdopen(descriptor, "wb"));
    if (!file) {
        close(descriptor);
    }
    return file;
}

bool Link(std::FILE* nameless, const fs::path& name) {
    const std::string entry = "/proc/self/fd/" + std::to_string(fileno(nameless));
    return linkat(AT_FDCWD, entry.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0;
}
#else
FileHandle CreateNameless(const fs::path&) {
    return nullptr;
}
bool Link(std::FILE*, const fs::path&) {
    errno = ENOTSUP;
    return false;
}
#endif

// ".<name>.<number>.tmp" beside `destination`.
fs::path TemporaryName(const fs::path& destination, std::random_device& random) {
    fs::path name = destination;
    name.replace_filename("." + destination.filename().string() + "." + std::to_string(random()) +
                          std::string(TemporarySuffix));
    return name;
}

bool IsTemporaryOf(const std::string& name, const std::string& destinationName) {
    const std::string prefix = "." + destinationName + ".";
    if (name.size() <= prefix.size() + TemporarySuffix.size() || !name.starts_with(prefix) ||
        !name.ends_with(TemporarySuffix)) {
        return false;
    }
    const auto digits = std::string_view(name).substr(
        prefix.size(), name.size() - prefix.size() - TemporarySuffix.size());
    return std::ranges::all_of(digits, [](char c) { return c >= '0' && c <= '9'; });
}

// Tries fresh names until one is free; `make` creates the file under the name given (false with
// errno EEXIST when the name is taken).
template <typename Make>
fs::path FirstFreeName(const fs::path& destination, Make make) {
    constexpr int Attempts = 16;
    std::random_device random;
    for (int attempt = 0; attempt < Attempts; ++attempt) {
        fs::path name = TemporaryName(destination, random);
        if (make(name)) {
            return name;
        }
        if (errno != EEXIST) {
            break;  // not a name clash: the folder is missing or write-protected
        }
    }
    return {};
}

}  // namespace

bool RenameFile(const fs::path& from, const fs::path& to) {
    std::error_code error;
    fs::rename(from, to, error);
    return !error;
}

PendingFile::PendingFile(const fs::path& destination) : destination_(destination) {
    file_ = CreateNameless(destination.parent_path());
    if (file_) {
        return;
    }
    temporary_ = FirstFreeName(destination, [this](const fs::path& name) {
        file_.reset(std::fopen(name.string().c_str(), "wbx"));
        return file_ != nullptr;
    });
}

bool PendingFile::GiveName() {
    if (!temporary_.empty()) {
        return true;
    }
    temporary_ = FirstFreeName(destination_,
                               [this](const fs::path& name) { return Link(file_.get(), name); });
    return !temporary_.empty();
}

bool PendingFile::PutInPlace(const FileRenamer& rename, std::optional<fs::perms> permissions) {
    if (!file_) {
        return false;
    }
    const bool flushed = std::fflush(file_.get()) == 0 && FlushToDisk(file_.get());
    if (!flushed || !GiveName() || std::fclose(file_.release()) != 0) {
        Discard();
        return false;
    }
    std::error_code error;
    if (permissions) {
        fs::permissions(temporary_, *permissions, error);  // a failure only loses the mode
    }
    if (!rename(temporary_, destination_)) {
        Discard();
        return false;
    }
    temporary_.clear();
    FlushFolderToDisk(destination_.parent_path());
    return true;
}

void PendingFile::Discard() {
    file_.reset();
    if (!temporary_.empty()) {
        std::error_code error;
        fs::remove(temporary_, error);
        temporary_.clear();
    }
}

fs::path FileToReplace(const fs::path& path) {
    fs::path file = path;
    for (int hop = 0; hop < MaxLinkHops; ++hop) {
        std::error_code error;
        if (!fs::is_symlink(file, error)) {
            break;
        }
        const fs::path target = fs::read_symlink(file, error);
        if (error) {
            break;
        }
        file = target.is_absolute() ? target : file.parent_path() / target;
    }
    return file;
}

bool CanCreateFilesIn(const fs::path& folder) {
    return PendingFile(folder / "probe").IsOpen();
}

bool CanWriteFileAt(const fs::path& path) {
    const fs::path destination = FileToReplace(path);
    if (!CanCreateFilesIn(destination.parent_path())) {
        return false;
    }
    std::error_code error;
    if (!fs::exists(destination, error)) {
        return true;
    }
    // Opening for update neither truncates nor creates.
    return FileHandle(std::fopen(destination.string().c_str(), "r+b")) != nullptr;
}

void RemoveStaleTemporaries(const fs::path& destination, std::chrono::seconds age) {
    const fs::path folder = destination.parent_path().empty() ? "." : destination.parent_path();
    const std::string name = destination.filename().string();
    const auto before = fs::file_time_type::clock::now() - age;
    std::error_code error;
    for (fs::directory_iterator entry(folder, error), end; !error && entry != end;
         entry.increment(error)) {
        if (!IsTemporaryOf(entry->path().filename().string(), name)) {
            continue;
        }
        std::error_code unreadable;
        const auto written = entry->last_write_time(unreadable);
        if (!unreadable && entry->is_regular_file(unreadable) && written < before) {
            fs::remove(entry->path(), unreadable);
        }
    }
}

bool WriteFileSafely(const fs::path& path, std::string_view text, const FileRenamer& rename,
                     AtSymbolicLink atLink) {
    const fs::path destination =
        atLink == AtSymbolicLink::ReplaceTarget ? FileToReplace(path) : path;
    RemoveStaleTemporaries(destination);
    PendingFile file(destination);
    if (!file.IsOpen() || std::fwrite(text.data(), 1, text.size(), file.Stream()) != text.size()) {
        return false;
    }
    std::error_code error;
    const fs::file_status old = fs::symlink_status(destination, error);
    const bool keepMode = !error && fs::is_regular_file(old);
    return file.PutInPlace(rename, keepMode ? std::optional(old.permissions()) : std::nullopt);
}

}  // namespace tonquelle
