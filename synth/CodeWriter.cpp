#include "synth/CodeWriter.h"

#include <cstring>

namespace tonquelle {

namespace {

template <int Bytes>
void Write(const ChannelCodes* codes, std::int32_t channels, std::int32_t first,
           std::int32_t frames, std::uint8_t* out) {
    for (std::int32_t i = first; i < first + frames; ++i) {
        for (std::int32_t c = 0; c < channels; ++c) {
            const auto code = static_cast<std::uint32_t>(codes[c][i]);
            std::uint8_t bytes[4];
            for (int b = 0; b < 4; ++b) {
                bytes[b] = static_cast<std::uint8_t>(code >> (8 * b));
            }
            std::memcpy(out, bytes, Bytes);
            out += Bytes;
        }
    }
}

}  // namespace

void WriteInterleaved(const ChannelCodes* codes, std::int32_t channels, std::int32_t frames,
                      std::int32_t sampleBytes, std::uint8_t* out, std::int32_t first) {
    switch (sampleBytes) {
        case 1:
            Write<1>(codes, channels, first, frames, out);
            break;
        case 2:
            Write<2>(codes, channels, first, frames, out);
            break;
        case 3:
            Write<3>(codes, channels, first, frames, out);
            break;
        case 4:
            Write<4>(codes, channels, first, frames, out);
            break;
        default:
            break;  // no sample width: StoreSample writes nothing either
    }
}

}  // namespace tonquelle
