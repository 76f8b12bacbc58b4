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

TEST(StoreSample, ZeroIsTheSilenceCode) {
    EXPECT_EQ(Encode(0.0, 8), Bytes({0x80}));
    EXPECT_EQ(Encode(0.0, 16), Bytes({0x00, 0x00}));
    EXPECT_EQ(Encode(0.0, 24), Bytes({0x00, 0x00, 0x00}));
    EXPECT_EQ(Encode(0.0, 32), Bytes({0x00, 0x00, 0x00, 0x00}));
    EXPECT_EQ(Encode(-0.0, 16), Bytes({0x00, 0x00}));
}

TEST(StoreSample, FullScale) {
    EXPECT_EQ(Encode(1.0, 8), Bytes({0xFF}));
    EXPECT_EQ(Encode(1.0, 16), Bytes({0xFF, 0x7F}));
    EXPECT_EQ(Encode(1.0, 24), Bytes({0xFF, 0xFF, 0x7F}));
    EXPECT_EQ(Encode(1.0, 32), Bytes({0xFF, 0xFF, 0xFF, 0x7F}));
    EXPECT_EQ(Encode(-1.0, 8), Bytes({0x00}));
    EXPECT_EQ(Encode(-1.0, 16), Bytes({0x01, 0x80}));              // -32767
    EXPECT_EQ(Encode(-1.0, 24), Bytes({0x00, 0x00, 0x80}));        // -8388608
    EXPECT_EQ(Encode(-1.0, 32), Bytes({0x01, 0x00, 0x00, 0x80}));  // -2147483647
}

TEST(StoreSample, HalfScaleWithTiesToEven) {
    EXPECT_EQ(Encode(0.5, 8), Bytes({191}));          // 191.25
    EXPECT_EQ(Encode(0.5, 16), Bytes({0x00, 0x40}));  // 16383.5 goes to 16384
    EXPECT_EQ(Encode(0.5, 24), Bytes({0x00, 0x00, 0x40}));
    EXPECT_EQ(Encode(0.5, 32), Bytes({0x00, 0x00, 0x00, 0x40}));  // 1073741824
    EXPECT_EQ(Encode(-0.5, 8), Bytes({64}));                      // 63.75
    EXPECT_EQ(Encode(-0.5, 16), Bytes({0x00, 0xC0}));             // -16384
    EXPECT_EQ(Encode(-0.5, 24), Bytes({0x00, 0x00, 0xC0}));       // -4194304
    EXPECT_EQ(Encode(-0.5, 32), Bytes({0x00, 0x00, 0x00, 0xC0}));
    // Zero at 8 bits is the tie 127.5, which goes to the even 128.
    EXPECT_EQ(Encode(0.0, 8), Bytes({128}));
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
