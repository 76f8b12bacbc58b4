#pragma once

#include <cstdint>

namespace tonquelle {

// The noise shapes: counter-based generators whose value at a frame depends only on a key (the
// channel, the shape and whether it is the carrier or the amplitude modulation) and the frame
// of the common time base. So a buffer, a render from any start and live playback give the
// same values, and every key's sequence is independent of the others'.

enum class NoiseColour : std::int32_t { None, White, Pink };

// Which generator plays a noise: carrier and amplitude modulation of one channel differ.
enum class NoiseRole : std::uint32_t { Carrier = 0, AmplitudeModulation = 1 };

// The key of a channel's noise.
std::uint64_t NoiseKey(std::int32_t channel, NoiseColour colour, NoiseRole role);

// White noise: uniform on [−1, 1) in steps of 2^-52, RMS 1/√3.
double WhiteNoise(std::uint64_t key, std::uint64_t frame);

// Pink noise (−3.01 dB per octave): the sum of PinkRows rows, row k a uniform value held for
// the 2^k frames of the aligned block containing the frame (half of a counter value, which
// serves two successive blocks; row 0 weighted 5/4 against 1 for the others, which flattens the
// sum's spectrum near half the rate), scaled to the RMS of the white noise. Values lie within
// ±PinkLargest.
inline constexpr std::int32_t PinkRows = 16;
inline constexpr double PinkLargest = 4.0;
double PinkNoise(std::uint64_t key, std::uint64_t frame);

// `count` values of a noise from `firstFrame` on: the same doubles as the functions above, the
// pink noise updated row by row in whole numbers.
void NoiseValues(NoiseColour colour, std::uint64_t key, std::uint64_t firstFrame,
                 std::int32_t count, double* out);

}  // namespace tonquelle
