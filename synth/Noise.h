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

// Pink noise frame after frame, the same doubles as PinkNoise: rows 3 and up change at most
// every eighth frame, so their sum is kept from one aligned span of eight frames to the next
// (and from one call to the next where it continues the last), while rows 0 to 2 are computed
// for each frame, a whole span at once.
class PinkGenerator {
  public:
    // `count` values of the noise with `key` from `firstFrame` on.
    void Values(std::uint64_t key, std::uint64_t firstFrame, std::int32_t count, double* out);

  private:
    void Start(std::uint64_t key, std::uint64_t frame);
    // The value at `frame`, rows 3 and up as last entered.
    double At(std::uint64_t frame) const;
    // Rows 3 and up at `frame`, a multiple of 8: those whose block starts there take new values.
    void Enter(std::uint64_t frame);
    // The eight values from `frame`, a multiple of 8 already entered: row 2 takes the low half
    // of one counter value for the first four, the high half for the others; row 1 two values
    // each serving four frames, row 0 four each serving two.
    void Span(std::uint64_t frame, double* out) const;

    bool started_ = false;
    std::uint64_t key_ = 0;
    std::uint64_t next_ = 0;  // the frame after the last value given
    std::uint64_t keys_[PinkRows] = {};
    // Rows 3 and up: the counter value of the pair of blocks under way, and the row's weighted
    // value.
    std::uint64_t counters_[PinkRows] = {};
    std::int64_t rows_[PinkRows] = {};
    std::int64_t upper_ = 0;  // the sum of rows 3 and up
};

// `count` values of a noise from `firstFrame` on: the same doubles as the functions above.
void NoiseValues(NoiseColour colour, std::uint64_t key, std::uint64_t firstFrame,
                 std::int32_t count, double* out);

}  // namespace tonquelle
