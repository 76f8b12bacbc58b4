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

// The file as read, or nothing when it cannot be read, holds no point or more points than a
// table can count.
std::optional<WaveformParser> ReadPoints(const std::filesystem::path& path) {
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
    return parser;
}

}  // namespace

WaveformLoadResult LoadWaveformFile(OutputStream& stream, std::int32_t channel, std::int32_t slot,
                                    const std::filesystem::path& path) {
    if (channel < 0 || channel >= MaxChannels || slot < 0 || slot >= WaveformSlotCount) {
        return {};
    }
    WaveformTable table;
    UnreadableLines unreadable;
    try {
        const std::optional<WaveformParser> parsed = ReadPoints(path);
        if (!parsed) {
            return {};
        }
        const std::vector<double>& points = parsed->Points();
        table.Points.reset(new (std::nothrow) double[points.size()]);
        if (!table.Points) {
            return {};
        }
        std::copy(points.begin(), points.end(), table.Points.get());
        table.PointCount = static_cast<std::int32_t>(points.size());
        unreadable = parsed->Unreadable();
    } catch (const std::bad_alloc&) {
        return {};
    }
    {
        std::lock_guard lock(stream.SettingsLock);
        // The table still waiting here was never played; it leaves with `table` below.
        std::swap(stream.Channels[channel].PendingWaveforms[slot], table);
    }
    return {.Loaded = true, .Unreadable = std::move(unreadable)};
}

}  // namespace tonquelle
