// The block renderer against the formulas, sample for sample: random settings of every kind, at
// the start of a run and a day into it. The renderer computes its sines in vector code and
// reduces large phases itself; these tests hold it to the codes of the defined formulas.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <random>
#include <vector>

#include "audio/OutputStream.h"
#include "tests/render/ReferenceRenderer.h"

namespace tonquelle {
namespace {

std::int64_t CodeAt(const std::uint8_t* bytes, std::int32_t sampleBytes) {
    std::uint32_t word = 0;
    for (std::int32_t b = 0; b < sampleBytes; ++b) {
        word |= std::uint32_t{bytes[b]} << (8 * b);
    }
    word ^= sampleBytes == 1 ? 0x80 : 0;              // 8-bit codes are offset binary
    const std::int32_t shift = 32 - 8 * sampleBytes;  // sign-extend
    return static_cast<std::int32_t>(word << shift) >> shift;
}

// Random channels (mostly sine, which takes the vector path, with every other shape, user
// tables and modulation mixed in) in random layouts and buffer lengths, from `day` days into the
// run. 8- and 16-bit codes identical; 24- and 32-bit codes at most one step off, in at most 10
// samples per million.
void CompareRandomRuns(std::uint64_t seed, std::int32_t resolution, std::int64_t day,
                       std::int32_t runs) {
    std::mt19937_64 random(seed);
    const auto uniform = [&](double low, double high) {
        return std::uniform_real_distribution<double>(low, high)(random);
    };
    const auto pick = [&](std::int32_t n) {
        return std::uniform_int_distribution<std::int32_t>(0, n - 1)(random);
    };
    const auto chance = [&](double p) { return uniform(0.0, 1.0) < p; };
    const auto shape = [&] { return chance(0.7) ? WaveformIndex::Sine : pick(6); };
    const auto frequency = [&] { return std::pow(10.0, uniform(-2.0, 4.38)); };  // 0.01 Hz..24 kHz
    const std::int32_t rates[] = {8000, 11025, 44100, 48000, 96000, 192000};
    const std::int32_t sampleBytes = resolution / 8;
    std::int64_t samples = 0, offByOne = 0, larger = 0;
    for (std::int32_t run = 0; run < runs && larger == 0; ++run) {
        const std::int32_t count = 1 + pick(8), rate = rates[pick(6)];
        const std::int32_t frames = chance(0.5) ? 256 * (1 + pick(4)) : 1 + pick(2000);
        std::vector<WaveformTable> tables(2 * count);
        std::vector<reference::Channel> channels;
        for (std::int32_t c = 0; c < count; ++c) {
            for (WaveformTable* table : {&tables[2 * c], &tables[2 * c + 1]}) {
                std::vector<double> points(1 + pick(64));
                for (double& p : points)
                    p = uniform(-1.2, 1.2);
                *table = reference::Table(points);
            }
            const ChannelSettings s{
                .Flags = (chance(0.1) ? FlagMute : 0) | (chance(0.6) ? FlagFM : 0) |
                         (chance(0.6) ? FlagAM : 0),
                .Waveform = shape(),
                .PhaseShift = uniform(-10.0, 10.0),
                .Frequency = frequency(),
                .FMWaveform = chance(0.1) ? pick(6) : shape(),
                .FMFrequency = chance(0.05) ? 0.0 : uniform(0.0, 1.0) * frequency() / 10.0,
                .FMMinFreq = frequency(),
                .FMMaxFreq = frequency(),
                .Amplitude = uniform(0.0, 1.3),
                .AMWaveform = shape(),
                .AMFrequency = chance(0.05) ? 0.0 : frequency() / 20.0,
                .AMMinAmp = uniform(0.0, 1.0),
                .AMMaxAmp = uniform(0.0, 1.3)};
            channels.push_back({s, &tables[2 * c], &tables[2 * c + 1]});
        }
        const std::int64_t first = day * 24 * 3600 * rate + pick(rate * 10);
        auto stream = std::make_unique<OutputStream>();
        reference::Prepare(*stream, channels, rate, resolution, frames, first);
        for (std::int64_t b = 0; b < 2; ++b) {
            const auto actual = reference::RenderNext(*stream);
            const auto expected =
                reference::Render(channels, first + b * frames, frames, rate, resolution);
            for (std::size_t i = 0; i < actual.size(); i += sampleBytes, ++samples) {
                const auto difference =
                    std::llabs(CodeAt(&actual[i], sampleBytes) - CodeAt(&expected[i], sampleBytes));
                offByOne += difference == 1;
                larger += difference > 1;
            }
        }
    }
    EXPECT_GT(samples, 1000000);
    EXPECT_EQ(larger, 0);
    EXPECT_LE(offByOne * 1000000, (resolution <= 16 ? 0 : 10) * samples)
        << offByOne << " of " << samples << " samples";
}

// At the start of a run and a day into it, every resolution.
TEST(FastRenderer, RandomSettingsMatchTheFormulas) {
    for (std::int64_t day : {0, 1}) {
        CompareRandomRuns(1 + 4 * day, 8, day, 150);
        CompareRandomRuns(2 + 4 * day, 16, day, 300);
        CompareRandomRuns(3 + 4 * day, 24, day, 200);
        CompareRandomRuns(4 + 4 * day, 32, day, 300);
    }
}

}  // namespace
}  // namespace tonquelle
