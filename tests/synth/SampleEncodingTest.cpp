#include "synth/SampleEncoding.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <vector>

namespace tonquelle {
namespace {

// The bytes StoreSample writes for one value, checking that the cursor advances by exactly the
// sample width.
std::vector<std::uint8_t> Encode(double value, std::int32_t resolution) {
    std::array<std::uint8_t, 8> buffer{};
    buffer.fill(0xEE);
    std::uint8_t* cursor = buffer.data();
    StoreSample(value, cursor, resolution);
    const auto written = static_cast<std::size_t>(cursor - buffer.data());
    EXPECT_EQ(written, static_cast<std::size_t>(resolution / 8));
    EXPECT_EQ(buffer[written], 0xEE) << "wrote past the sample";
    return {buffer.begin(), buffer.begin() + written};
}

using Bytes = std::vector<std::uint8_t>;

struct SampleCode {
    double value;
    std::int32_t resolution;
    Bytes bytes;
};

// Codes worked out by hand: nearest((v + 1) · 255 / 2) at 8 bits, nearest(v · 32767) at 16,
// nearest(v · 2147483647) at 32 and its upper three bytes at 24; ties go to the even neighbour.
const SampleCode kCodes[] = {
    {0.0, 8, {0x80}},  // the tie 127.5 goes to 128
    {0.0, 16, {0x00, 0x00}},
    {-0.0, 16, {0x00, 0x00}},
    {0.0, 24, {0x00, 0x00, 0x00}},
    {0.0, 32, {0x00, 0x00, 0x00, 0x00}},
    {1.0, 8, {0xFF}},
    {1.0, 16, {0xFF, 0x7F}},
    {1.0, 24, {0xFF, 0xFF, 0x7F}},
    {1.0, 32, {0xFF, 0xFF, 0xFF, 0x7F}},
    {-1.0, 8, {0x00}},
    {-1.0, 16, {0x01, 0x80}},              // -32767
    {-1.0, 24, {0x00, 0x00, 0x80}},        // -8388608
    {-1.0, 32, {0x01, 0x00, 0x00, 0x80}},  // -2147483647
    {0.5, 8, {191}},                       // 191.25
    {0.5, 16, {0x00, 0x40}},               // the tie 16383.5 goes to 16384
    {0.5, 24, {0x00, 0x00, 0x40}},
    {0.5, 32, {0x00, 0x00, 0x00, 0x40}},  // 1073741824
    {-0.5, 8, {64}},                      // 63.75
    {-0.5, 16, {0x00, 0xC0}},             // -16384
    {-0.5, 24, {0x00, 0x00, 0xC0}},       // -4194304
    {-0.5, 32, {0x00, 0x00, 0x00, 0xC0}},
    // -1e-9: the 32-bit code is nearest(-2.147) = -2; 24 bits keep its sign when shifted.
    {-1e-9, 16, {0x00, 0x00}},
    {-1e-9, 24, {0xFF, 0xFF, 0xFF}},
    {-1e-9, 32, {0xFE, 0xFF, 0xFF, 0xFF}},
    // -1e-10 lies just below the 8-bit tie 127.5 that exact zero rounds up from.
    {-1e-10, 8, {127}},
    {-1e-10, 16, {0x00, 0x00}},
    {-1e-10, 24, {0x00, 0x00, 0x00}},
    {-1e-10, 32, {0x00, 0x00, 0x00, 0x00}},
};

TEST(StoreSample, CodesOfEveryResolution) {
    for (const auto& c : kCodes) {
        EXPECT_EQ(Encode(c.value, c.resolution), c.bytes) << c.value << " at " << c.resolution;
    }
}

TEST(StoreSample, ValuesBeyondFullScaleAreClipped) {
    for (std::int32_t resolution : {8, 16, 24, 32}) {
        EXPECT_EQ(Encode(1.5, resolution), Encode(1.0, resolution)) << resolution;
        EXPECT_EQ(Encode(std::numeric_limits<double>::infinity(), resolution),
                  Encode(1.0, resolution));
        EXPECT_EQ(Encode(-7.0, resolution), Encode(-1.0, resolution)) << resolution;
        EXPECT_EQ(Encode(-std::numeric_limits<double>::infinity(), resolution),
                  Encode(-1.0, resolution));
        // Not a number is stored as negative full scale.
        EXPECT_EQ(Encode(std::nan(""), resolution), Encode(-1.0, resolution)) << resolution;
    }
}

TEST(StoreSample, TinyNegativeValues) {
    // -1e-9: the 32-bit code is nearest(-2.147) = -2; 24 bits keep its sign when shifted.
    EXPECT_EQ(Encode(-1e-9, 16), Bytes({0x00, 0x00}));
    EXPECT_EQ(Encode(-1e-9, 24), Bytes({0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(Encode(-1e-9, 32), Bytes({0xFE, 0xFF, 0xFF, 0xFF}));
    // -1e-10 lies just below the 8-bit tie 127.5 that exact zero rounds up from.
    EXPECT_EQ(Encode(-1e-10, 8), Bytes({127}));
    EXPECT_EQ(Encode(-1e-10, 16), Bytes({0x00, 0x00}));
    EXPECT_EQ(Encode(-1e-10, 24), Bytes({0x00, 0x00, 0x00}));
    EXPECT_EQ(Encode(-1e-10, 32), Bytes({0x00, 0x00, 0x00, 0x00}));
}

TEST(StoreSample, CodesFollowTheScaleFactor) {
    // Independent formula: code = nearest(v · scale), little-endian two's complement.
    for (double v : {0.123456, -0.87654321, 0.999, -0.001}) {
        const auto code16 = static_cast<std::int16_t>(std::nearbyint(v * 32767.0));
        const Bytes bytes16 = Encode(v, 16);
        EXPECT_EQ(static_cast<std::int16_t>(bytes16[0] | (bytes16[1] << 8)), code16) << v;
        const auto code32 = static_cast<std::int32_t>(std::nearbyint(v * 2147483647.0));
        const Bytes bytes32 = Encode(v, 32);
        const std::uint32_t read32 =
            bytes32[0] | (bytes32[1] << 8) | (bytes32[2] << 16) | (std::uint32_t{bytes32[3]} << 24);
        EXPECT_EQ(static_cast<std::int32_t>(read32), code32) << v;
        const Bytes bytes24 = Encode(v, 24);
        EXPECT_EQ(Bytes(bytes32.begin() + 1, bytes32.end()), bytes24) << v;
    }
}

TEST(StoreSample, SamplesOfAFrameLieSideBySide) {
    // Two channels at 16 bits: channel 0 low, high, channel 1 low, high; then the next frame.
    std::array<std::uint8_t, 8> buffer{};
    std::uint8_t* cursor = buffer.data();
    for (double v : {1.0, -1.0, 0.5, 0.0}) {
        StoreSample(v, cursor, 16);
    }
    EXPECT_EQ(cursor, buffer.data() + 8);
    EXPECT_EQ(Bytes(buffer.begin(), buffer.end()),
              Bytes({0xFF, 0x7F, 0x01, 0x80, 0x00, 0x40, 0x00, 0x00}));

    // Three channels at 24 bits make 9-byte frames.
    std::array<std::uint8_t, 18> frames{};
    cursor = frames.data();
    for (double v : {1.0, 0.0, -1.0, 0.5, -0.5, 0.0}) {
        StoreSample(v, cursor, 24);
    }
    EXPECT_EQ(cursor, frames.data() + 18);
    EXPECT_EQ(Bytes(frames.begin(), frames.end()),
              Bytes({0xFF, 0xFF, 0x7F, 0, 0, 0, 0x00, 0x00, 0x80, 0x00, 0x00, 0x40, 0x00, 0x00,
                     0xC0, 0, 0, 0}));
}

}  // namespace
}  // namespace tonquelle
