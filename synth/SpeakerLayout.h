#pragma once

#include <cstdint>
#include <string_view>

namespace tonquelle {

inline constexpr std::int32_t SpeakerCount = 18;

// The speaker positions in ChannelMask bit order, one zero-terminated name after the other.
extern const char SpeakerNames[];

// Name of speaker bit n (0..17); an empty text for any other n.
std::string_view SpeakerName(std::int32_t n);

// Position of the (n+1)-th set bit of `mask`, scanning bits 0..31 upwards; 0 when the mask has
// fewer set bits. Channel k of a stream plays on speaker NthSetBit(ChannelMask, k).
std::int32_t NthSetBit(std::uint32_t mask, std::int32_t n);

}  // namespace tonquelle
