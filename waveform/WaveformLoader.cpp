#include "waveform/WaveformLoader.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <mutex>
#include <new>
#include <optional>
#include <vector>

#include "waveform/WaveformParser.h"

namespace tonquelle {

namespace {

// The points of the file, or nothing when it cannot be read, holds no point or more points
// than a table can count.
std::optional<std::vector<double>> ReadPoints(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        return std::nullopt;
    }
    WaveformParser parser;
    std::array<char, 64 * 1024> chunk;
    while (file) {
        file.read(chunk.data(), chunk.size());
        parser.Feed(std::string_view(chunk.data(), static_cast<std::size_t>(file.gcount())));
    }
    if (file.bad()) {
        return std::nullopt;
    }
    parser.Finish();
    if (parser.TooManyPoints() || parser.Points().empty()) {
        return std::nullopt;
    }
    return parser.Points();
}

}  // namespace

bool LoadWaveformFile(OutputStream& stream, std::int32_t channel, std::int32_t slot,
                      const std::filesystem::path& path) {
    if (channel < 0 || channel >= MaxChannels || slot < 0 || slot >= WaveformSlotCount) {
        return false;
    }
    WaveformTable table;
    try {
        const std::optional<std::vector<double>> points = ReadPoints(path);
        if (!points) {
            return false;
        }
        table.Points.reset(new (std::nothrow) double[points->size()]);
        if (!table.Points) {
            return false;
        }
        std::copy(points->begin(), points->end(), table.Points.get());
        table.PointCount = static_cast<std::int32_t>(points->size());
    } catch (const std::bad_alloc&) {
        return false;
    }
    {
        std::lock_guard lock(stream.SettingsLock);
        // The table still waiting here was never played; it leaves with `table` below.
        std::swap(stream.Channels[channel].PendingWaveforms[slot], table);
    }
    return true;
}

}  // namespace tonquelle
