#include "tools/render/WaveOutputFile.h"

#include <cerrno>
#include <cstring>

#include "settings/SafeFileWrite.h"

namespace tonquelle {

namespace fs = std::filesystem;

namespace {

std::string SystemReason() {
    return std::strerror(errno);
}

}  // namespace

bool WaveOutputFile::Open(const std::string& destination) {
    if (destination == "-") {
        toStandardOutput_ = true;
        file_ = stdout;
        return true;
    }
    destination_ = fs::path(destination);
    std::error_code error;
    if (fs::is_directory(destination_, error)) {
        error_ = "cannot write output '" + destination + "': it is a folder";
        return false;
    }
    auto [temporary, file] = CreateTemporaryBeside(destination_);
    temporary_ = std::move(temporary);
    file_ = file.release();
    if (!file_) {
        error_ = "cannot write output '" + destination + "': " + SystemReason();
        return false;
    }
    return true;
}

bool WaveOutputFile::Write(const std::uint8_t* bytes, std::size_t count) {
    if (count > 0 && std::fwrite(bytes, 1, count, file_) != count) {
        error_ = "cannot write output: " + SystemReason();
        return false;
    }
    return true;
}

bool WaveOutputFile::Commit() {
    if (toStandardOutput_) {
        if (std::fflush(file_) != 0) {
            error_ = "cannot write to standard output: " + SystemReason();
            return false;
        }
        return true;
    }
    const bool written = std::fflush(file_) == 0;
    const bool closed = std::fclose(file_) == 0;
    file_ = nullptr;
    if (!written || !closed) {
        error_ = "cannot write output '" + destination_.string() + "': " + SystemReason();
        Discard();
        return false;
    }
    if (!RenameFile(temporary_, destination_)) {
        error_ = "cannot put output in place as '" + destination_.string() + "'";
        Discard();
        return false;
    }
    temporary_.clear();
    return true;
}

void WaveOutputFile::Discard() {
    if (toStandardOutput_) {
        return;
    }
    if (file_) {
        std::fclose(file_);
        file_ = nullptr;
    }
    if (!temporary_.empty()) {
        std::error_code ignored;
        fs::remove(temporary_, ignored);
        temporary_.clear();
    }
}

}  // namespace tonquelle
