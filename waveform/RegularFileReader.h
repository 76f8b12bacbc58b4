#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>

namespace tonquelle {

// Reads a regular file of limited size, and nothing else. Whatever is not a regular file (a
// FIFO, a device such as /dev/zero, a folder) and a file larger than the limit are refused when
// opening, before a single byte is read and without waiting for anything, so a caller on the UI
// thread never blocks on such a file.
class RegularFileReader {
  public:
    RegularFileReader() = default;
    RegularFileReader(const RegularFileReader&) = delete;
    RegularFileReader& operator=(const RegularFileReader&) = delete;
    ~RegularFileReader() { Close(); }

    // False when `path` cannot be opened, is not a regular file or is larger than `maxBytes`.
    bool Open(const std::filesystem::path& path, std::uint64_t maxBytes);

    // Reads up to `size` bytes into `buffer`: their number, 0 at the end of the file, nothing on
    // a read error or once the file has grown beyond the limit since it was opened.
    std::optional<std::size_t> Read(char* buffer, std::size_t size);

    void Close();

  private:
#if defined(_WIN32)
    std::FILE* file_ = nullptr;
#else
    int descriptor_ = -1;
#endif
    std::uint64_t maxBytes_ = 0;
    std::uint64_t bytesRead_ = 0;
};

}  // namespace tonquelle
