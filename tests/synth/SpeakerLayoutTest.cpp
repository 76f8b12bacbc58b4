#include "synth/SpeakerLayout.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string_view>
#include <vector>

namespace tonquelle {
namespace {

TEST(SpeakerNames, AllEighteenInMaskBitOrder) {
    const std::vector<std::string_view> expected = {
        "Front Left",      "Front Right",      "Front Center",         "Low Frequency",
        "Back Left",       "Back Right",       "Front Left of Center", "Front Right of Center",
        "Back Center",     "Side Left",        "Side Right",           "Top Center",
        "Top Front Left",  "Top Front Center", "Top Front Right",      "Top Back Left",
        "Top Back Center", "Top Back Right"};
    ASSERT_EQ(expected.size(), static_cast<std::size_t>(SpeakerCount));
    for (std::int32_t n = 0; n < SpeakerCount; ++n) {
        EXPECT_EQ(SpeakerName(n), expected[n]) << n;
    }
    EXPECT_EQ(SpeakerName(-1), "");
    EXPECT_EQ(SpeakerName(18), "");
}

std::vector<std::int32_t> ChannelSpeakers(std::uint32_t mask, std::int32_t channels) {
    std::vector<std::int32_t> bits;
    for (std::int32_t k = 0; k < channels; ++k) {
        bits.push_back(NthSetBit(mask, k));
    }
    return bits;
}

TEST(NthSetBit, ChannelsFollowTheSetBitsUpwards) {
    EXPECT_EQ(ChannelSpeakers(0x3, 2), (std::vector<std::int32_t>{0, 1}));
    EXPECT_EQ(ChannelSpeakers(0x33, 4), (std::vector<std::int32_t>{0, 1, 4, 5}));
    EXPECT_EQ(ChannelSpeakers(0x14, 2), (std::vector<std::int32_t>{2, 4}));
    EXPECT_EQ(ChannelSpeakers(0x12, 2), (std::vector<std::int32_t>{1, 4}));
    EXPECT_EQ(ChannelSpeakers(0x63F, 8), (std::vector<std::int32_t>{0, 1, 2, 3, 4, 5, 9, 10}));
    EXPECT_EQ(NthSetBit(0x80000000u, 0), 31);
}

TEST(NthSetBit, FewerSetBitsGiveZero) {
    EXPECT_EQ(NthSetBit(0, 0), 0);
    EXPECT_EQ(NthSetBit(0x14, 2), 0);
    EXPECT_EQ(NthSetBit(0x10, 5), 0);
}

}  // namespace
}  // namespace tonquelle
