#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "settings/SafeFileWrite.h"

namespace tonquelle {

// Where the rendered WAV file goes, and with what care:
// - "-": standard output;
// - a FIFO or a character device (a pipe, /dev/null, a terminal): written directly, never
//   replaced;
// - a regular file or a new name: a file that appears under its name only when it is complete
//   (a PendingFile put in place by Commit); a symbolic link is followed, so the file it points
//   to is replaced and the link stays; a write-protected file is refused;
// - anything else (a folder, a block device, a socket) is refused.
// An error or an early exit through the destructor leaves no new file behind.
class WaveOutputFile {
  public:
    WaveOutputFile() = default;
    WaveOutputFile(const WaveOutputFile&) = delete;
    WaveOutputFile& operator=(const WaveOutputFile&) = delete;
    ~WaveOutputFile() { Discard(); }

    // False, with Error() set, when `destination` cannot be opened.
    bool Open(const std::string& destination);
    // False, with Error() set, when not all bytes could be written.
    bool Write(const std::uint8_t* bytes, std::size_t count);
    // Flushes and puts the file in place. False, with Error() set, on failure; a new file is
    // removed then.
    bool Commit();
    // Closes what is open and removes a new file, if any. Safe to call at any time.
    void Discard();

    const std::string& Error() const { return error_; }

  private:
    bool Refuse(const std::string& reason);
    bool OpenDirectly();
    bool OpenReplacement();

    std::string name_;                      // as given, for messages
    std::FILE* stream_ = nullptr;           // what Write writes to
    FileHandle direct_;                     // a FIFO or character device
    std::unique_ptr<PendingFile> pending_;  // the new file of a regular destination
    std::string error_;
};

}  // namespace tonquelle
