#include "synth/SpeakerLayout.h"

#include <cstring>

namespace tonquelle {

const char SpeakerNames[] =
    "Front Left\0Front Right\0Front Center\0Low Frequency\0Back Left\0Back Right\0"
    "Front Left of Center\0Front Right of Center\0Back Center\0Side Left\0Side Right\0"
    "Top Center\0Top Front Left\0Top Front Center\0Top Front Right\0Top Back Left\0"
    "Top Back Center\0Top Back Right";

std::string_view SpeakerName(std::int32_t n) {
    if (n < 0 || n >= SpeakerCount) {
        return {};
    }
    const char* name = SpeakerNames;
    for (std::int32_t i = 0; i < n; ++i) {
        name += std::strlen(name) + 1;
    }
    return name;
}

std::int32_t NthSetBit(std::uint32_t mask, std::int32_t n) {
    std::int32_t seen = 0;
    for (std::int32_t bit = 0; bit < 32; ++bit) {
        if ((mask >> bit) & 1u) {
            if (seen == n) {
                return bit;
            }
            ++seen;
        }
    }
    return 0;
}

}  // namespace tonquelle
