#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tonquelle::test {

// A recording: interleaved signed 16-bit frames of `Channels` channels.
struct Recording {
    std::int32_t Channels = 0;
    std::int32_t SampleRate = 0;
    std::vector<std::int16_t> Samples;

    std::size_t Frames() const { return Channels > 0 ? Samples.size() / Channels : 0; }
    // Channel `channel` of frames [first, first + count), as full-scale values (32767 = 1.0).
    std::vector<double> Channel(std::int32_t channel, std::size_t first, std::size_t count) const;
};

// First frame at which any channel exceeds `threshold` (full scale 1.0); Frames() if none.
std::size_t FirstLoudFrame(const Recording& recording, double threshold);

// Frequency from the rising zero crossings, interpolated between samples; 0 with fewer than two.
double MeasureFrequency(const std::vector<double>& signal, double sampleRate);

// Root mean square, full scale 1.0.
double MeasureRms(const std::vector<double>& signal);

// Level in dB of an RMS relative to the RMS of a sine of peak amplitude `amplitude`.
double LevelDb(double rms, double amplitude);

}  // namespace tonquelle::test
