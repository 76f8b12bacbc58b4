#pragma once

#include <cstdint>
#include <filesystem>

#include "records/OutputStream.h"
#include "waveform/UnreadableLines.h"

namespace tonquelle {

// What loading a waveform file came to.
struct WaveformLoadResult {
    bool Loaded = false;  // the table was built and handed over
    // Lines that were not numbers; the file loads all the same, each of them as the point 0.
    UnreadableLines Unreadable;

    explicit operator bool() const { return Loaded; }
};

// Reads one period of a user waveform (one number per line) from `path` and hands it to table
// `slot` (0 carrier, 2 amplitude modulation) of `channel` for the renderer's next buffer. Not
// loaded when the file cannot be read or holds no point; then nothing changes. Only a regular
// file of at most 64 MiB is read: anything else (a FIFO, a device, a folder) is refused at once,
// without waiting. UI thread.
WaveformLoadResult LoadWaveformFile(OutputStream& stream, std::int32_t channel, std::int32_t slot,
                                    const std::filesystem::path& path);

}  // namespace tonquelle
