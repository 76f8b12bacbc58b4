// The noise shapes and the square's duty cycle as measured in rendered output: spectra in
// third-octave bands (an FFT of the test's own), RMS, distribution, independence between
// channels, equality whatever the buffers and the start, the pink generator's values against
// the definition; pulse widths counted sample by sample.

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <memory>
#include <numeric>
#include <vector>

#include "records/OutputStream.h"
#include "synth/Noise.h"
#include "tests/render/ReferenceRenderer.h"
#include "tests/support/Spectrum.h"

namespace tonquelle {
namespace {

using Channels = std::vector<reference::Channel>;
using Signals = std::vector<std::vector<double>>;

constexpr double FullScale32 = 2147483647.0;
const double UniformRms = 1.0 / std::sqrt(3.0);

reference::Channel White(double amplitude = 1.0) {
    return {{.Flags = 0, .Waveform = WaveformIndex::WhiteNoise, .Amplitude = amplitude}};
}
// At a quarter of full scale pink noise never reaches the clipping (its values stay within ±4).
reference::Channel Pink(double amplitude = 0.25) {
    return {{.Flags = 0, .Waveform = WaveformIndex::PinkNoise, .Amplitude = amplitude}};
}

// The bytes of `frames` frames of `channels` at 32 bits from frame `first`, rendered in buffers
// of `bufferFrames`.
std::vector<std::uint8_t> RenderBytes(const Channels& channels, std::int32_t rate,
                                      std::int64_t first, std::int64_t frames,
                                      std::int32_t bufferFrames) {
    return reference::RenderInBuffers(channels, rate, 32, first, frames, bufferFrames);
}

// Each channel's values (code / full scale) over `seconds` from the start.
Signals RenderSignals(const Channels& channels, std::int32_t rate, double seconds) {
    const auto frames = static_cast<std::int64_t>(seconds * rate);
    const std::vector<std::uint8_t> bytes = RenderBytes(channels, rate, 0, frames, rate);
    Signals signals(channels.size());
    for (std::size_t i = 0; i < bytes.size(); i += 4)
        signals[(i / 4) % channels.size()].push_back(reference::CodeAt(&bytes[i], 4) / FullScale32);
    return signals;
}

double Rms(const std::vector<double>& x) {
    return std::sqrt(std::inner_product(x.begin(), x.end(), x.begin(), 0.0) / x.size());
}

double Correlation(const std::vector<double>& a, const std::vector<double>& b) {
    const double mean = [](const std::vector<double>& x) {
        return std::accumulate(x.begin(), x.end(), 0.0) / x.size();
    }(a);
    const double meanB = std::accumulate(b.begin(), b.end(), 0.0) / b.size();
    double ab = 0.0, aa = 0.0, bb = 0.0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        ab += (a[i] - mean) * (b[i] - meanB);
        aa += (a[i] - mean) * (a[i] - mean);
        bb += (b[i] - meanB) * (b[i] - meanB);
    }
    return ab / std::sqrt(aa * bb);
}

// Segments of at least 1.3 s: bins below 0.8 Hz, so the 20 Hz band (17.8 … 22.4 Hz) holds
// several.
std::size_t SegmentFor(std::int32_t rate) {
    return std::bit_ceil(static_cast<std::size_t>(rate * 1.3));
}

// The mean power spectrum of all eight channels of a shape over 30 s. One channel's estimate
// scatters by 4.34 dB / √(bandwidth · time), 0.37 dB in the 20 Hz band; the mean of eight
// independent channels by a third of that, so the bands show the shape's spectrum, not the
// chance of one stretch of it.
std::vector<double> MeanPowerSpectrum(const reference::Channel& shape, std::int32_t rate) {
    const Signals signals = RenderSignals(Channels(8, shape), rate, 30.0);
    std::vector<double> mean(SegmentFor(rate) / 2 + 1, 0.0);
    for (const std::vector<double>& signal : signals) {
        const std::vector<double> power = testing::PowerSpectrum(signal, SegmentFor(rate));
        for (std::size_t k = 0; k < mean.size(); ++k)
            mean[k] += power[k] / 8.0;
    }
    return mean;
}

// Uniform noise of variance 1/3 gives each bin of a Hann-windowed segment of N samples the
// expected power N · 3/8 / 3; per hertz, N / rate bins.
TEST(NoiseShapes, WhiteNoiseIsFlatInThirdOctaveBandsUpToNearlyHalfTheRate) {
    for (std::int32_t rate : {44100, 96000}) {
        SCOPED_TRACE(rate);
        const std::vector<double> power = MeanPowerSpectrum(White(), rate);
        const double binHertz = static_cast<double>(rate) / SegmentFor(rate);
        const double expected = 10.0 * std::log10(SegmentFor(rate) * 3.0 / 8.0 / 3.0 / binHertz);
        std::int32_t bands = 0;
        for (int n = 13; testing::ThirdOctave(n).High <= 0.45 * rate; ++n, ++bands)
            EXPECT_NEAR(testing::BandLevel(power, binHertz, testing::ThirdOctave(n), true),
                        expected, 0.5)
                << testing::ThirdOctave(n).Centre << " Hz";
        EXPECT_GE(bands, 30);
    }
}

// Pink noise has the same power in every band of constant relative width: each third-octave
// band from 20 Hz to 20 kHz within 1 dB of their mean.
TEST(NoiseShapes, PinkNoiseFallsThreeDecibelsPerOctaveFromTwentyHertzToTwentyKilohertz) {
    for (std::int32_t rate : {44100, 192000}) {
        SCOPED_TRACE(rate);
        const std::vector<double> power = MeanPowerSpectrum(Pink(), rate);
        const double binHertz = static_cast<double>(rate) / SegmentFor(rate);
        std::vector<double> levels;
        for (int n = 13; n <= 43; ++n)
            levels.push_back(testing::BandLevel(power, binHertz, testing::ThirdOctave(n), false));
        const double mean = std::accumulate(levels.begin(), levels.end(), 0.0) / levels.size();
        for (std::size_t b = 0; b < levels.size(); ++b)
            EXPECT_NEAR(levels[b], mean, 1.0) << testing::ThirdOctave(13 + b).Centre << " Hz";
    }
}

// Both noises have the RMS of uniform noise on [−1, 1]: 1/√3 of full scale. One pink channel's
// RMS over 30 s scatters by about 1 % (its slowest rows take only some dozens of values), so
// pink noise is measured over all eight channels.
TEST(NoiseShapes, BothNoisesHaveTheRmsOfUniformNoise) {
    EXPECT_NEAR(Rms(RenderSignals({White()}, 48000, 30.0)[0]), UniformRms, UniformRms * 0.005);
    std::vector<double> pink;
    for (const std::vector<double>& channel : RenderSignals(Channels(8, Pink()), 48000, 30.0))
        pink.insert(pink.end(), channel.begin(), channel.end());
    EXPECT_NEAR(Rms(pink), 0.25 * UniformRms, 0.25 * UniformRms * 0.015);
}

// White noise fills [−1, 1] evenly: ten equal parts each hold a tenth of the values.
TEST(NoiseShapes, WhiteNoiseIsUniformOnMinusOneToOne) {
    const std::vector<double> white = RenderSignals({White()}, 48000, 20.0)[0];
    std::vector<double> counts(10, 0.0);
    for (double v : white)
        counts[std::min(9, static_cast<int>((v + 1.0) * 5.0))] += 1.0;
    for (double count : counts)
        EXPECT_NEAR(count / white.size(), 0.1, 0.002);
    EXPECT_LT(*std::ranges::min_element(white), -0.9999);
    EXPECT_GT(*std::ranges::max_element(white), 0.9999);
}

// Differences of successive samples: pink noise's rise with frequency, so their correlation
// measures the generators' independence with the statistics of thousands of independent values.
std::vector<double> Differences(const std::vector<double>& x) {
    std::vector<double> d(x.size() - 1);
    for (std::size_t i = 0; i + 1 < x.size(); ++i)
        d[i] = x[i + 1] - x[i];
    return d;
}

// Over 10 s no two channels' noises correlate, of one shape or of both, nor a channel's
// carrier noise with its amplitude modulation's (a constant carrier modulated between −1 and 1
// plays the modulating noise itself). Two pink noises' own correlation over 10 s scatters by
// about 0.035 however independent they are (much of their power lies in few slow components:
// the octave at 1 Hz holds as much as the one at 10 kHz), so it is held to 0.12, and that of
// their differences to 0.01.
TEST(NoiseShapes, NoisesOfDifferentChannelsAndRolesAreUncorrelated) {
    const reference::Channel constantCarrier{{.Flags = FlagAM,
                                              .Waveform = WaveformIndex::Square,
                                              .AMWaveform = WaveformIndex::WhiteNoise,
                                              .AMMinAmp = -1.0,
                                              .AMMaxAmp = 1.0,
                                              .DutyCycle = 100.0}};
    const Signals white = RenderSignals(Channels(8, White()), 48000, 10.0);
    const Signals pink = RenderSignals(Channels(8, Pink()), 48000, 10.0);
    const Signals am = RenderSignals({White(), constantCarrier}, 48000, 10.0);
    for (std::size_t a = 0; a < 8; ++a) {
        for (std::size_t b = a + 1; b < 8; ++b) {
            EXPECT_LT(std::fabs(Correlation(white[a], white[b])), 0.01) << a << ", " << b;
            EXPECT_LT(std::fabs(Correlation(pink[a], pink[b])), 0.12) << a << ", " << b;
            EXPECT_LT(std::fabs(Correlation(Differences(pink[a]), Differences(pink[b]))), 0.01)
                << a << ", " << b;
        }
        EXPECT_LT(std::fabs(Correlation(white[a], pink[a])), 0.01) << a;
    }
    const Signals whiteAlone = RenderSignals({White(), White()}, 48000, 10.0);
    EXPECT_LT(std::fabs(Correlation(whiteAlone[1], am[1])), 0.01);
    EXPECT_GT(Rms(am[1]), 0.99 * UniformRms);  // the modulating noise itself, not a constant
}

// A noise depends only on the channel and the frame: buffers of any length, and a render that
// starts late (an hour or a day in), give the samples of one long render.
TEST(NoiseShapes, SamplesAreTheSameWhateverTheBuffersAndTheStart) {
    const reference::Channel pinkAM{{.Flags = FlagAM,
                                     .Waveform = WaveformIndex::Triangle,
                                     .Frequency = 500.0,
                                     .AMWaveform = WaveformIndex::PinkNoise,
                                     .AMMinAmp = 0.1,
                                     .AMMaxAmp = 0.9}};
    const Channels channels{White(), Pink(), pinkAM};
    const std::int32_t rate = 44100;
    const std::int64_t frames = 3 * rate;
    for (std::int64_t start :
         {std::int64_t{0}, std::int64_t{3600} * rate, std::int64_t{24 * 3600} * 192000 + 12345}) {
        SCOPED_TRACE(start);
        const std::vector<std::uint8_t> whole = RenderBytes(channels, rate, start, frames, frames);
        for (std::int32_t buffer : {1, 100, 256, 4410, 65537})
            EXPECT_EQ(RenderBytes(channels, rate, start, frames, buffer), whole) << buffer;
        const std::int64_t later = frames / 2 + 7;
        const std::vector<std::uint8_t> tail =
            RenderBytes(channels, rate, start + later, frames - later, 333);
        EXPECT_TRUE(std::equal(tail.begin(), tail.end(), whole.begin() + later * 12));
    }
}

// The pink generator's values are the definition's (the reference's sixteen rows summed for
// each frame) from any frame, within spans of eight frames and across them, where a call
// continues the last and where it jumps elsewhere; near rows' block boundaries and far into
// the counter's range.
TEST(NoiseShapes, PinkGeneratorGivesTheDefinedValuesFromAnyFrameAndAcrossCalls) {
    const std::uint64_t key = reference::NoiseKey(3, 2, 1);
    const std::vector<std::int32_t> counts = {1, 7, 8, 9, 256, 1000, 3, 16};
    for (std::uint64_t start :
         {std::uint64_t{0}, std::uint64_t{5}, std::uint64_t{8}, std::uint64_t{65536 - 3},
          (std::uint64_t{1} << 40) + 7, (std::uint64_t{1} << 62) + 11}) {
        PinkGenerator generator;
        std::uint64_t frame = start;
        for (std::int32_t count : counts) {
            std::vector<double> values(count);
            generator.Values(key, frame, count, values.data());
            for (std::int32_t i = 0; i < count; ++i)
                ASSERT_EQ(values[i], reference::Pink(key, static_cast<std::int64_t>(frame + i)))
                    << "from " << start << ", frame " << frame + i;
            // Every other call jumps ahead instead of continuing.
            frame += count % 2 == 0 ? count : count + 4093;
        }
    }
}

// An amplitude modulated by noise moves between its limits, reaching both (pink noise beyond
// ±1 is clipped to them), whatever the modulation frequency: it is not used.
TEST(NoiseShapes, NoiseAmplitudeModulationStaysBetweenItsLimitsAndIgnoresItsFrequency) {
    for (std::int32_t shape : {WaveformIndex::WhiteNoise, WaveformIndex::PinkNoise}) {
        SCOPED_TRACE(shape);
        const auto modulated = [&](double frequency) {
            return reference::Channel{{.Flags = FlagAM,
                                       .Waveform = WaveformIndex::Square,
                                       .AMWaveform = shape,
                                       .AMFrequency = frequency,
                                       .AMMinAmp = 0.2,
                                       .AMMaxAmp = 0.6,
                                       .DutyCycle = 100.0}};
        };
        const std::vector<double> values = RenderSignals({modulated(1.0)}, 48000, 5.0)[0];
        EXPECT_NEAR(*std::ranges::min_element(values), 0.2, 1e-4);
        EXPECT_NEAR(*std::ranges::max_element(values), 0.6, 1e-4);
        EXPECT_GE(*std::ranges::min_element(values), 0.2 - 1e-9);
        EXPECT_LE(*std::ranges::max_element(values), 0.6 + 1e-9);
        EXPECT_EQ(RenderBytes({modulated(1.0)}, 48000, 0, 48000, 4800),
                  RenderBytes({modulated(5000.0)}, 48000, 0, 48000, 4800));
    }
}

// A 1 kHz square at 48 kHz has 48 samples per period; shifted by 0.01 rad, no sample lies on an
// edge, and the first 48 · d / 100 samples of each period (rounded down) are +1: none at 0 %,
// 12 at 25 %, 24 at 50 %, all at 100 %. The rest are −1.
TEST(PulseWidth, DutyCycleSetsTheShareOfEachPeriodAtPlusOne) {
    for (auto [duty, high] : {std::pair{0.0, 0}, {25.0, 12}, {50.0, 24}, {100.0, 48}}) {
        SCOPED_TRACE(duty);
        const reference::Channel square{{.Flags = 0,
                                         .Waveform = WaveformIndex::Square,
                                         .PhaseShift = 0.01,
                                         .Frequency = 1000.0,
                                         .Amplitude = 1.0,
                                         .DutyCycle = duty}};
        const std::vector<double> values = RenderSignals({square}, 48000, 1.0)[0];
        for (std::size_t i = 0; i < values.size(); ++i)
            ASSERT_EQ(values[i], static_cast<std::int32_t>(i % 48) < high ? 1.0 : -1.0) << i;
    }
}

}  // namespace
}  // namespace tonquelle
