#include "waveform/RegularFileReader.h"

#include <cerrno>

#if !defined(_WIN32)
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace tonquelle {

#if defined(_WIN32)
// Windows has no FIFOs in its file system, and its devices ("NUL", "CON") are no regular files,
// so asking first leaves nothing to wait for.
bool RegularFileReader::Open(const std::filesystem::path& path, std::uint64_t maxBytes) {
    Close();
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error) ||
        std::filesystem::file_size(path, error) > maxBytes || error) {
        return false;
    }
    file_ = _wfopen(path.c_str(), L"rb");
    maxBytes_ = maxBytes;
    bytesRead_ = 0;
    return file_ != nullptr;
}

std::optional<std::size_t> RegularFileReader::Read(char* buffer, std::size_t size) {
    const std::size_t got = std::fread(buffer, 1, size, file_);
    bytesRead_ += got;
    if (std::ferror(file_) || bytesRead_ > maxBytes_) {
        return std::nullopt;
    }
    return got;
}

void RegularFileReader::Close() {
    if (file_ != nullptr) {
        std::fclose(file_);
        file_ = nullptr;
    }
}
#else
// Opening without waiting (O_NONBLOCK: a FIFO without a writer does not hold the open), then
// asking the opened file what it is: no other file can slip in between the question and the reads.
bool RegularFileReader::Open(const std::filesystem::path& path, std::uint64_t maxBytes) {
    Close();
    descriptor_ = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    struct stat status = {};
    if (descriptor_ < 0 || fstat(descriptor_, &status) != 0 || !S_ISREG(status.st_mode) ||
        static_cast<std::uint64_t>(status.st_size) > maxBytes) {
        Close();
        return false;
    }
    maxBytes_ = maxBytes;
    bytesRead_ = 0;
    return true;
}

std::optional<std::size_t> RegularFileReader::Read(char* buffer, std::size_t size) {
    ssize_t got = 0;
    do {
        got = read(descriptor_, buffer, size);
    } while (got < 0 && errno == EINTR);
    if (got < 0) {
        return std::nullopt;
    }
    bytesRead_ += static_cast<std::uint64_t>(got);
    if (bytesRead_ > maxBytes_) {
        return std::nullopt;
    }
    return static_cast<std::size_t>(got);
}

void RegularFileReader::Close() {
    if (descriptor_ >= 0) {
        close(descriptor_);
        descriptor_ = -1;
    }
}
#endif

}  // namespace tonquelle
