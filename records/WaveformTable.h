#pragma once

#include <cstdint>
#include <memory>

namespace tonquelle {

// One period of a user waveform. Empty (no points, count 0) until a file is loaded.
struct WaveformTable {
    std::unique_ptr<double[]> Points;
    std::int32_t PointCount = 0;

    bool Empty() const { return PointCount == 0; }
};

}  // namespace tonquelle
