#include "synth/SampleEncoding.h"

#include <cmath>

namespace tonquelle {

namespace {

// Nearest integer, ties to the even neighbour (the default rounding mode, never changed here).
std::int32_t Nearest(double x) {
    return static_cast<std::int32_t>(std::lrint(x));
}

void StoreLittleEndian(std::uint32_t code, std::uint8_t* out, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out[i] = static_cast<std::uint8_t>(code >> (8 * i));
    }
}

}  // namespace

void StoreSample(double value, std::uint8_t*& cursor, std::int32_t resolution) {
    if (value > 1.0) {
        value = 1.0;
    } else if (value < -1.0) {
        value = -1.0;
    } else if (std::isnan(value)) {
        value = 0.0;
    }
    const std::int32_t bytes = resolution / 8;
    switch (bytes) {
        case 1:
            *cursor = static_cast<std::uint8_t>(Nearest((value + 1.0) * 255.0 / 2.0));
            break;
        case 2:
            StoreLittleEndian(static_cast<std::uint32_t>(Nearest(value * 32767.0)), cursor, 2);
            break;
        case 3: {
            // The upper three bytes of the 32-bit code: an arithmetic shift by one byte.
            const auto code = static_cast<std::uint32_t>(Nearest(value * 2147483647.0));
            StoreLittleEndian(code >> 8, cursor, 3);
            break;
        }
        case 4:
            StoreLittleEndian(static_cast<std::uint32_t>(Nearest(value * 2147483647.0)), cursor, 4);
            break;
        default:
            break;
    }
    cursor += bytes;
}

}  // namespace tonquelle
