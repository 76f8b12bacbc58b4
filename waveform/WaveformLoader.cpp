#include "waveform/WaveformLoader.h"

#include <algorithm>
#include <array>
#include <mutex>
#include <new>
#include <optional>
#include <vector>

#include "waveform/RegularFileReader.h"
#include "waveform/WaveformParser.h"

namespace tonquelle {

namespace {

// Far more than any period needs (a million points take about 10 MB of text), and few enough
// that reading and parsing stay short.
constexpr std::uint64_t MaxFileBytes = 64 * 1024 * 1024;

// The file as read, or nothing when it cannot be read (not a regular file, larger than
// MaxFileBytes), holds no point or more points than a table can count.
std::optional<WaveformParser> ReadPoints(const std::filesystem::path& path) {
    RegularFileReader file;
    if (!file.Open(path, MaxFileBytes)) {
        return std::nullopt;
    }
    WaveformParser parser;
    std::array<char, 64 * 1024> chunk;
    for (;;) {
        const std::optional<std::size_t> got = file.Read(chunk.data(), chunk.size());
        if (!got) {
            return std::nullopt;
        }
        if (*got == 0) {
            break;
        }
        parser.Feed(std::string_view(chunk.data(), *got));
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
