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

// Codes worked out by hand: nearest((v + 1) · 255 / 2) at 8 bits, nearest(v · 32767) at 16,
// nearest(v · 2147483647) at 32 and its upper three bytes at 24; ties go to the even neighbour.
struct SampleCodes {
    double value;
    Bytes at8, at16, at24, at32;
};

const SampleCodes kCodes[] = {
    // Zero at 8 bits is the tie 127.5, which goes to 128.
    {0.0, {0x80}, {0, 0}, {0, 0, 0}, {0, 0, 0, 0}},
    {-0.0, {0x80}, {0, 0}, {0, 0, 0}, {0, 0, 0, 0}},
    {1.0, {0xFF}, {0xFF, 0x7F}, {0xFF, 0xFF, 0x7F}, {0xFF, 0xFF, 0xFF, 0x7F}},
    // -32767, -8388608 (cut from the 32-bit code), -2147483647.
    {-1.0, {0x00}, {0x01, 0x80}, {0x00, 0x00, 0x80}, {0x01, 0x00, 0x00, 0x80}},
    // 191.25; the tie 16383.5 goes to 16384; 4194304; 1073741824.
    {0.5, {191}, {0x00, 0x40}, {0x00, 0x00, 0x40}, {0x00, 0x00, 0x00, 0x40}},
    {-0.5, {64}, {0x00, 0xC0}, {0x00, 0x00, 0xC0}, {0x00, 0x00, 0x00, 0xC0}},
    // The 32-bit code is nearest(-2.147) = -2; 24 bits keep its sign when shifted.
    {-1e-9, {127}, {0, 0}, {0xFF, 0xFF, 0xFF}, {0xFE, 0xFF, 0xFF, 0xFF}},
    // Just below the 8-bit tie 127.5 that exact zero rounds up from.
    {-1e-10, {127}, {0, 0}, {0, 0, 0}, {0, 0, 0, 0}},
    // Ties whose even neighbour lies towards zero (rounding half away from zero would give the
    // other one). v · 32767 = 2.5 exactly: 2; its negative -2. v · 2147483647 = 4.5: 4.
    // (v + 1) · 255 / 2 = 130.5: 130. v · 2147483647 = -256.5: -256, whose upper three bytes are
    // -1 (-257 would give -2).
    {0x1.40028005000a0p-14, {128}, {0x02, 0x00}, {0x80, 0x02, 0x00}, {0x05, 0x80, 0x02, 0x00}},
    {-0x1.40028005000a0p-14, {127}, {0xFE, 0xFF}, {0x7F, 0xFD, 0xFF}, {0xFB, 0x7F, 0xFD, 0xFF}},
    {0x1.2000000240000p-29, {128}, {0, 0}, {0, 0, 0}, {0x04, 0, 0, 0}},
    {0x1.8181818181800p-6, {130}, {0x03, 0x03}, {0x03, 0x03, 0x03}, {0x03, 0x03, 0x03, 0x03}},
    {-0x1.0080000201000p-23, {127}, {0, 0}, {0xFF, 0xFF, 0xFF}, {0x00, 0xFF, 0xFF, 0xFF}},
};

TEST(StoreSample, CodesOfEveryResolution) {
    for (const auto& c : kCodes) {
        EXPECT_EQ(Encode(c.value, 8), c.at8) << c.value;
        EXPECT_EQ(Encode(c.value, 16), c.at16) << c.value;
        EXPECT_EQ(Encode(c.value, 24), c.at24) << c.value;
        EXPECT_EQ(Encode(c.value, 32), c.at32) << c.value;
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
    }
}

// Not a number, of either sign, is silence: the zero code, as a muted channel writes it.
TEST(StoreSample, NotANumberIsTheZeroCode) {
    for (const double nan : {std::nan(""), -std::nan("")}) {
        EXPECT_EQ(Encode(nan, 8), Bytes{0x80});
        EXPECT_EQ(Encode(nan, 16), Bytes({0, 0}));
        EXPECT_EQ(Encode(nan, 24), Bytes({0, 0, 0}));
        EXPECT_EQ(Encode(nan, 32), Bytes({0, 0, 0, 0}));
    }
}

}  // namespace
}  // namespace tonquelle
