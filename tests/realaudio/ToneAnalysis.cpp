#include "tests/realaudio/ToneAnalysis.h"

#include <cmath>
#include <cstdlib>

namespace tonquelle::test {

std::vector<double> Recording::Channel(std::int32_t channel, std::size_t first,
                                       std::size_t count) const {
    std::vector<double> values;
    values.reserve(count);
    for (std::size_t frame = first; frame < first + count && frame < Frames(); ++frame) {
        values.push_back(Samples[frame * Channels + channel] / 32767.0);
    }
    return values;
}

std::size_t FirstLoudFrame(const Recording& recording, double threshold) {
    const auto limit = threshold * 32767.0;
    for (std::size_t i = 0; i < recording.Samples.size(); ++i) {
        if (std::abs(recording.Samples[i]) > limit) {
            return i / recording.Channels;
        }
    }
    return recording.Frames();
}

double MeasureFrequency(const std::vector<double>& signal, double sampleRate) {
    double first = -1.0;
    double last = -1.0;
    int crossings = 0;
    for (std::size_t i = 1; i < signal.size(); ++i) {
        if (signal[i - 1] < 0.0 && signal[i] >= 0.0) {
            const double at = (i - 1) + signal[i - 1] / (signal[i - 1] - signal[i]);
            if (crossings == 0) {
                first = at;
            }
            last = at;
            ++crossings;
        }
    }
    if (crossings < 2) {
        return 0.0;
    }
    return (crossings - 1) * sampleRate / (last - first);
}

double MeasureRms(const std::vector<double>& signal) {
    if (signal.empty()) {
        return 0.0;
    }
    double sum = 0.0;
    for (const double value : signal) {
        sum += value * value;
    }
    return std::sqrt(sum / signal.size());
}

double LevelDb(double rms, double amplitude) {
    return 20.0 * std::log10(rms / (amplitude / std::sqrt(2.0)));
}

}  // namespace tonquelle::test
