#include "records/OutputConfig.h"

#include <limits>

namespace tonquelle {

namespace {

std::int32_t FitsOrInvalid(std::int64_t value) {
    if (value < std::numeric_limits<std::int32_t>::min() ||
        value > std::numeric_limits<std::int32_t>::max()) {
        return -1;
    }
    return static_cast<std::int32_t>(value);
}

}  // namespace

std::int32_t BufferFramesOf(const OutputConfig& config) {
    // The product is formed in 64 bits so that a hand-made configuration cannot overflow; for
    // every configuration the dialog offers it equals the 32-bit result.
    const std::int64_t product = std::int64_t{config.SampleRate} * config.BufferLength;
    return FitsOrInvalid(product / 1000);
}

std::int32_t BufferBytesOf(const OutputConfig& config) {
    const std::int32_t frames = BufferFramesOf(config);
    if (frames < 0) {
        return -1;
    }
    return FitsOrInvalid(std::int64_t{frames} * config.ChannelCount * (config.Resolution / 8));
}

}  // namespace tonquelle
