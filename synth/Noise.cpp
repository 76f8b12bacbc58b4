#include "synth/Noise.h"

#include <cmath>

namespace tonquelle {

namespace {

// A bijective mixer of 64 bits (the finaliser of SplitMix64): every bit of the input reaches
// every bit of the output.
std::uint64_t Mix(std::uint64_t z) {
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
    return z ^ (z >> 31);
}

// The counter's value for position `index` of the sequence `key`: a bijection of the index, so
// no sequence repeats within 2^64 positions.
std::uint64_t Counter(std::uint64_t key, std::uint64_t index) {
    return Mix(index * 0x9E3779B97F4A7C15u + key);
}

std::uint64_t RowKey(std::uint64_t key, std::int32_t row) {
    return Mix(key + static_cast<std::uint64_t>(row) + 1);
}

// Each counter value of a row serves two of its blocks: block b takes the low half of the value
// for b / 2 where b is even, the high half where b is odd, as a whole number uniform on
// [−2^31, 2^31).
std::int64_t Half(std::uint64_t counter, std::uint64_t block) {
    const std::uint64_t half = (block & 1) != 0 ? counter >> 32 : counter & 0xFFFFFFFFu;
    return static_cast<std::int64_t>(half) - (1LL << 31);
}

std::int64_t Weight(std::int32_t row) {
    return row == 0 ? 5 : 4;
}

// Row k's weighted value for `frame`: that of its block frame / 2^k.
std::int64_t RowValue(std::uint64_t rowKey, std::int32_t row, std::uint64_t frame) {
    const std::uint64_t block = frame >> row;
    return Half(Counter(rowKey, block >> 1), block) * Weight(row);
}

// From the rows' sum (a whole number below 2^41, exact as a double) to the RMS of uniform
// noise on [−1, 1]: the weights' squares add up to 25 + 16 · 15 = 265.
const double PinkScale = 0x1p-31 / std::sqrt(265.0);

}  // namespace

std::uint64_t NoiseKey(std::int32_t channel, NoiseColour colour, NoiseRole role) {
    const std::uint64_t id =
        (static_cast<std::uint64_t>(static_cast<std::uint32_t>(channel)) << 8) |
        (static_cast<std::uint64_t>(colour) << 4) | static_cast<std::uint64_t>(role);
    return Mix(id ^ 0x746F6E7175656C6Cu);
}

double WhiteNoise(std::uint64_t key, std::uint64_t frame) {
    return static_cast<double>(Counter(key, frame) >> 11) * 0x1p-52 - 1.0;
}

double PinkNoise(std::uint64_t key, std::uint64_t frame) {
    std::int64_t sum = 0;
    for (std::int32_t row = 0; row < PinkRows; ++row) {
        sum += RowValue(RowKey(key, row), row, frame);
    }
    return static_cast<double>(sum) * PinkScale;
}

void NoiseValues(NoiseColour colour, std::uint64_t key, std::uint64_t firstFrame,
                 std::int32_t count, double* out) {
    if (colour == NoiseColour::White) {
        for (std::int32_t i = 0; i < count; ++i) {
            out[i] = WhiteNoise(key, firstFrame + static_cast<std::uint64_t>(i));
        }
        return;
    }
    if (colour != NoiseColour::Pink) {
        for (std::int32_t i = 0; i < count; ++i) {
            out[i] = 0.0;
        }
        return;
    }
    std::uint64_t rowKeys[PinkRows];
    std::int64_t rows[PinkRows];
    std::int64_t held = 0;  // the sum of rows 1 and up
    for (std::int32_t row = 0; row < PinkRows; ++row) {
        rowKeys[row] = RowKey(key, row);
        rows[row] = RowValue(rowKeys[row], row, firstFrame);
        held += row > 0 ? rows[row] : 0;
    }
    const auto update = [&](std::int32_t row, std::uint64_t frame) {
        const std::int64_t value = RowValue(rowKeys[row], row, frame);
        held += value - rows[row];
        rows[row] = value;
    };
    // Row 0's counter value for the pair of frames the frame belongs to.
    std::uint64_t pair = Counter(rowKeys[0], firstFrame >> 1);
    for (std::int32_t i = 0; i < count; ++i) {
        const std::uint64_t frame = firstFrame + static_cast<std::uint64_t>(i);
        // Row k > 0 takes a new value where the frame's low k bits are all zero: row 1 at every
        // second frame, row 2 at every fourth, the others at most every eighth (branches a
        // processor predicts, unlike a loop of varying length at every frame).
        if (i > 0 && (frame & 1) == 0) {
            pair = Counter(rowKeys[0], frame >> 1);
            update(1, frame);
            if ((frame & 3) == 0) {
                update(2, frame);
                for (std::int32_t row = 3; row < PinkRows && (frame & ((1u << row) - 1)) == 0;
                     ++row) {
                    update(row, frame);
                }
            }
        }
        out[i] = static_cast<double>(held + Half(pair, frame) * Weight(0)) * PinkScale;
    }
}

}  // namespace tonquelle
