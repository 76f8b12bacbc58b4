#include "tools/render/WaveOutputFile.h"

#include <cerrno>
#include <cstring>

#if !defined(_WIN32)
#include <fcntl.h>
#include <unistd.h>
#endif

namespace tonquelle {

namespace fs = std::filesystem;

namespace {

std::string SystemReason() {
    return std::strerror(errno);
}

// A file nobody may write, or this user may not. A superuser is stopped by the missing write
// bits too: they say the file is to be kept.
bool IsWriteProtected(const fs::path& path, fs::perms permissions) {
    constexpr fs::perms AnyWrite =
        fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
    if ((permissions & AnyWrite) == fs::perms::none) {
        return true;
    }
#if defined(_WIN32)
    (void)path;
    return false;
#else
    return access(path.c_str(), W_OK) != 0;
#endif
}

// Opens an existing FIFO or device for writing, without creating or truncating anything. A FIFO
// waits here for its reader (a signal ends the wait).
std::FILE* OpenForWritingOnly(const fs::path& path) {
#if defined(_WIN32)
    return std::fopen(path.string().c_str(), "wb");
#else
    const int descriptor = open(path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
    if (descriptor < 0) {
        return nullptr;
    }
    std::FILE* file = fdopen(descriptor, "wb");
    if (file == nullptr) {
        close(descriptor);
    }
    return file;
#endif
}

}  // namespace

bool WaveOutputFile::Open(const std::string& destination) {
    name_ = destination;
    if (destination == "-") {
        stream_ = stdout;
        return true;
    }
    std::error_code error;
    const fs::file_status status = fs::status(fs::path(destination), error);  // links followed
    switch (status.type()) {
        case fs::file_type::fifo:
        case fs::file_type::character:
            return OpenDirectly();
        case fs::file_type::regular:
            if (IsWriteProtected(fs::path(destination), status.permissions())) {
                return Refuse("it is write-protected");
            }
            return OpenReplacement();
        case fs::file_type::directory:
            return Refuse("it is a folder");
        case fs::file_type::not_found:
        case fs::file_type::none:  // its folder cannot be read: creating the file tells more
            return OpenReplacement();
        default:
            return Refuse("it is neither a file nor a FIFO nor a character device");
    }
}

bool WaveOutputFile::Refuse(const std::string& reason) {
    error_ = "cannot write output '" + name_ + "': " + reason;
    return false;
}

bool WaveOutputFile::OpenDirectly() {
    direct_.reset(OpenForWritingOnly(fs::path(name_)));
    if (!direct_) {
        return Refuse(SystemReason());
    }
    stream_ = direct_.get();
    return true;
}

bool WaveOutputFile::OpenReplacement() {
    pending_ = std::make_unique<PendingFile>(FileToReplace(fs::path(name_)));
    if (!pending_->IsOpen()) {
        const std::string reason = SystemReason();
        pending_.reset();
        return Refuse(reason);
    }
    stream_ = pending_->Stream();
    return true;
}

bool WaveOutputFile::Write(const std::uint8_t* bytes, std::size_t count) {
    if (count > 0 && std::fwrite(bytes, 1, count, stream_) != count) {
        error_ = "cannot write output: " + SystemReason();
        return false;
    }
    return true;
}

bool WaveOutputFile::Commit() {
    const bool flushed = std::fflush(stream_) == 0;
    const bool closed = !direct_ || std::fclose(direct_.release()) == 0;
    stream_ = nullptr;
    if (!flushed || !closed) {
        error_ = "cannot write output '" + name_ + "': " + SystemReason();
        Discard();
        return false;
    }
    if (pending_ && !pending_->PutInPlace()) {
        error_ = "cannot put output in place as '" + name_ + "': " + SystemReason();
        Discard();
        return false;
    }
    pending_.reset();
    return true;
}

void WaveOutputFile::Discard() {
    stream_ = nullptr;
    direct_.reset();
    pending_.reset();
}

}  // namespace tonquelle
