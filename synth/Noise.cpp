#include "synth/Noise.h"

#include <algorithm>
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

void PinkGenerator::Start(std::uint64_t key, std::uint64_t frame) {
    key_ = key;
    for (std::int32_t row = 0; row < PinkRows; ++row) {
        keys_[row] = RowKey(key, row);
    }
    upper_ = 0;
    for (std::int32_t row = 3; row < PinkRows; ++row) {
        counters_[row] = Counter(keys_[row], frame >> (row + 1));
        rows_[row] = Half(counters_[row], frame >> row) * Weight(row);
        upper_ += rows_[row];
    }
}

double PinkGenerator::At(std::uint64_t frame) const {
    std::int64_t sum = upper_;
    for (std::int32_t row = 0; row < 3; ++row) {
        sum += RowValue(keys_[row], row, frame);
    }
    return static_cast<double>(sum) * PinkScale;
}

void PinkGenerator::Enter(std::uint64_t frame) {
    for (std::int32_t row = 3; row < PinkRows && (frame & ((1u << row) - 1)) == 0; ++row) {
        const std::uint64_t block = frame >> row;
        if ((block & 1) == 0) {  // a new counter value: its low half now, its high half next
            counters_[row] = Counter(keys_[row], block >> 1);
        }
        const std::int64_t value = Half(counters_[row], block) * Weight(row);
        upper_ += value - rows_[row];
        rows_[row] = value;
    }
}

void PinkGenerator::Span(std::uint64_t frame, double* out) const {
    const std::uint64_t row2 = Counter(keys_[2], frame >> 3);
    const std::uint64_t row1[2] = {Counter(keys_[1], frame >> 2),
                                   Counter(keys_[1], (frame >> 2) + 1)};
    for (std::uint64_t pair = 0; pair < 4; ++pair) {
        const std::uint64_t row0 = Counter(keys_[0], (frame >> 1) + pair);
        const std::int64_t held =
            upper_ + Half(row2, pair >> 1) * Weight(2) + Half(row1[pair >> 1], pair) * Weight(1);
        out[2 * pair] = static_cast<double>(held + Half(row0, 0) * Weight(0)) * PinkScale;
        out[2 * pair + 1] = static_cast<double>(held + Half(row0, 1) * Weight(0)) * PinkScale;
    }
}

void PinkGenerator::Values(std::uint64_t key, std::uint64_t firstFrame, std::int32_t count,
                           double* out) {
    if (!started_ || key != key_ || firstFrame != next_) {
        Start(key, firstFrame);
        started_ = true;
    }
    next_ = firstFrame + static_cast<std::uint64_t>(count);
    std::int32_t i = 0;
    for (; i < count && ((firstFrame + i) & 7) != 0; ++i) {
        out[i] = At(firstFrame + i);
    }
    for (; i + 8 <= count; i += 8) {
        Enter(firstFrame + i);
        Span(firstFrame + i, out + i);
    }
    if (i < count) {
        Enter(firstFrame + i);
        for (; i < count; ++i) {
            out[i] = At(firstFrame + i);
        }
    }
}

void NoiseValues(NoiseColour colour, std::uint64_t key, std::uint64_t firstFrame,
                 std::int32_t count, double* out) {
    switch (colour) {
        case NoiseColour::White:
            for (std::int32_t i = 0; i < count; ++i) {
                out[i] = WhiteNoise(key, firstFrame + static_cast<std::uint64_t>(i));
            }
            return;
        case NoiseColour::Pink:
            PinkGenerator().Values(key, firstFrame, count, out);
            return;
        default:
            std::fill(out, out + count, 0.0);
    }
}

}  // namespace tonquelle
