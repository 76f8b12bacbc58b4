#include "audio/WaveOut.h"

namespace tonquelle {

WaveFormat WaveFormatOf(const OutputConfig& config) {
    WaveFormat format;
    const auto blockAlign =
        static_cast<std::uint32_t>(config.ChannelCount * (config.Resolution / 8));
    format.Channels = static_cast<std::uint16_t>(config.ChannelCount);
    format.SamplesPerSec = static_cast<std::uint32_t>(config.SampleRate);
    format.BlockAlign = static_cast<std::uint16_t>(blockAlign);
    format.AvgBytesPerSec = static_cast<std::uint32_t>(config.SampleRate) * format.BlockAlign;
    format.BitsPerSample = static_cast<std::uint16_t>(config.Resolution);
    format.ValidBitsPerSample = static_cast<std::uint16_t>(config.Resolution);
    format.ChannelMask = static_cast<std::uint32_t>(config.ChannelMask);
    return format;
}

}  // namespace tonquelle
