#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

namespace tonquelle {

// Where the rendered WAV file goes: standard output, or a file that appears under its name only
// when it is complete. The bytes are written to a new temporary file in the destination's
// folder and renamed over the destination by Commit; anything else (an error, an early exit
// through the destructor) removes the temporary file.
class WaveOutputFile {
  public:
    WaveOutputFile() = default;
    WaveOutputFile(const WaveOutputFile&) = delete;
    WaveOutputFile& operator=(const WaveOutputFile&) = delete;
    ~WaveOutputFile() { Discard(); }

    // `destination` "-" is standard output. False, with Error() set, when it cannot be opened.
    bool Open(const std::string& destination);
    // False, with Error() set, when not all bytes could be written.
    bool Write(const std::uint8_t* bytes, std::size_t count);
    // Flushes and puts the file in place. False, with Error() set, on failure; the temporary
    // file is removed then.
    bool Commit();
    // Removes the temporary file, if any. Safe to call at any time.
    void Discard();

    const std::string& Error() const { return error_; }

  private:
    std::FILE* file_ = nullptr;
    bool toStandardOutput_ = false;
    std::filesystem::path destination_;
    std::filesystem::path temporary_;
    std::string error_;
};

}  // namespace tonquelle
