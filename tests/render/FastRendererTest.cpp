// The block renderer against the formulas, sample for sample: random settings of every kind, at
// the start of a run and a day into it. The renderer computes its sines in vector code and
// reduces large phases itself; these tests hold it to the codes of the defined formulas.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <random>
#include <vector>

#include "audio/OutputStream.h"
#include "synth/Renderer.h"
#include "tests/render/ReferenceRenderer.h"

namespace tonquelle {
namespace {

constexpr std::int64_t SecondsPerDay = 24 * 3600;

// Differences between the renderer's bytes and the reference's, counted per sample.
struct Comparison {
    std::int64_t Samples = 0;
    std::int64_t OffByOne = 0;  // codes one step apart
    std::int64_t Larger = 0;    // codes further apart
    std::int64_t FirstLarger = -1;
};

std::int64_t CodeAt(const std::uint8_t* bytes, std::int32_t sampleBytes) {
    if (sampleBytes == 1) {
        return bytes[0];
    }
    std::uint32_t word = 0;
    for (std::int32_t b = 0; b < sampleBytes; ++b) {
        word |= std::uint32_t{bytes[b]} << (8 * b);
    }
    const std::int32_t shift = 32 - 8 * sampleBytes;  // sign-extend
    return static_cast<std::int32_t>(word << shift) >> shift;
}

void Compare(const std::vector<std::uint8_t>& actual, const std::vector<std::uint8_t>& expected,
             std::int32_t sampleBytes, Comparison& result) {
    ASSERT_EQ(actual.size(), expected.size());
    for (std::size_t i = 0; i < actual.size(); i += sampleBytes) {
        const std::int64_t difference =
            std::llabs(CodeAt(&actual[i], sampleBytes) - CodeAt(&expected[i], sampleBytes));
        if (difference == 1) {
            ++result.OffByOne;
        } else if (difference > 1) {
            if (result.FirstLarger < 0) {
                result.FirstLarger = result.Samples + static_cast<std::int64_t>(i) / sampleBytes;
            }
            ++result.Larger;
        }
    }
    result.Samples += static_cast<std::int64_t>(actual.size()) / sampleBytes;
}

// 16-bit (and 8-bit) codes identical; 24- and 32-bit codes at most one step off, in at most 10
// samples per million.
void ExpectWithinTolerance(const Comparison& result, std::int32_t resolution) {
    EXPECT_EQ(result.Larger, 0) << "first at sample " << result.FirstLarger;
    if (resolution <= 16) {
        EXPECT_EQ(result.OffByOne, 0) << "of " << result.Samples << " samples";
    } else {
        EXPECT_LE(result.OffByOne * 1000000, 10 * result.Samples)
            << result.OffByOne << " of " << result.Samples << " samples";
    }
}

class RandomSettings {
  public:
    explicit RandomSettings(std::uint64_t seed) : random_(seed) {}

    // Mostly sine shapes, which take the vector path, with every other shape, the user shape
    // and modulation combination mixed in.
    ChannelSettings Next() {
        ChannelSettings s;
        s.Flags =
            (Chance(0.1) ? FlagMute : 0) | (Chance(0.6) ? FlagFM : 0) | (Chance(0.6) ? FlagAM : 0);
        s.Waveform = Shape();
        s.PhaseShift = Uniform(-10.0, 10.0);
        s.Frequency = Frequency();
        s.FMWaveform = Chance(0.1) ? Pick(6) : Shape();
        s.FMFrequency = Chance(0.05) ? 0.0 : Uniform(0.0, 1.0) * Frequency() / 10.0;
        s.FMMinFreq = Frequency();
        s.FMMaxFreq = Frequency();
        s.Amplitude = Uniform(0.0, 1.3);
        s.AMWaveform = Shape();
        s.AMFrequency = Chance(0.05) ? 0.0 : Frequency() / 20.0;
        s.AMMinAmp = Uniform(0.0, 1.0);
        s.AMMaxAmp = Uniform(0.0, 1.3);
        return s;
    }

    std::int32_t Pick(std::int32_t count) {
        return std::uniform_int_distribution<std::int32_t>(0, count - 1)(random_);
    }
    double Uniform(double low, double high) {
        return std::uniform_real_distribution<double>(low, high)(random_);
    }
    bool Chance(double p) { return Uniform(0.0, 1.0) < p; }

  private:
    std::int32_t Shape() { return Chance(0.7) ? WaveformIndex::Sine : Pick(6); }
    // 0.01 Hz to 24 kHz, evenly spread over the decades.
    double Frequency() { return std::pow(10.0, Uniform(-2.0, 4.38)); }

    std::mt19937_64 random_;
};

WaveformTable RandomTable(RandomSettings& random) {
    WaveformTable table;
    table.PointCount = 1 + random.Pick(64);
    table.Points = std::make_unique<double[]>(static_cast<std::size_t>(table.PointCount));
    for (std::int32_t k = 0; k < table.PointCount; ++k) {
        table.Points[k] = random.Uniform(-1.2, 1.2);
    }
    return table;
}

struct Layout {
    std::int32_t Channels;
    std::int32_t Rate;
    std::int32_t Resolution;
    std::int32_t BufferFrames;
};

// Renders `buffers` buffers of `setup` from frame `firstFrame` with the given channels and
// compares each with the reference.
void RenderAndCompare(const Layout& setup, const std::vector<ChannelSettings>& settings,
                      const std::vector<WaveformTable>& carrierTables,
                      const std::vector<WaveformTable>& amTables, std::int64_t firstFrame,
                      std::int32_t buffers, Comparison& result) {
    auto stream = std::make_unique<OutputStream>();
    stream->Config.SampleRate = setup.Rate;
    stream->Config.Resolution = setup.Resolution;
    stream->Config.ChannelCount = setup.Channels;
    stream->Config.ChannelMask = (1 << setup.Channels) - 1;
    stream->BufferFrames = setup.BufferFrames;
    stream->FrameCounter = firstFrame;
    std::vector<reference::Channel> channels;
    for (std::int32_t c = 0; c < setup.Channels; ++c) {
        stream->Channels[c].EditSettings = settings[c];
        // The renderer takes copies over; the reference reads the originals.
        for (auto [source, slot] : {std::pair{&carrierTables[c], WaveformSlotCarrier},
                                    std::pair{&amTables[c], WaveformSlotAM}}) {
            WaveformTable& pending = stream->Channels[c].PendingWaveforms[slot];
            pending.PointCount = source->PointCount;
            pending.Points =
                std::make_unique<double[]>(static_cast<std::size_t>(source->PointCount));
            std::copy_n(source->Points.get(), source->PointCount, pending.Points.get());
        }
        channels.push_back({settings[c], &carrierTables[c], &amTables[c]});
    }
    PublishChannel(*stream, -1);
    const std::int32_t sampleBytes = setup.Resolution / 8;
    std::vector<std::uint8_t> buffer(static_cast<std::size_t>(setup.BufferFrames) * setup.Channels *
                                     sampleBytes);
    for (std::int32_t b = 0; b < buffers; ++b) {
        const std::int64_t start = stream->FrameCounter;
        RenderBuffer(*stream, buffer.data());
        Compare(
            buffer,
            reference::Render(channels, start, setup.BufferFrames, setup.Rate, setup.Resolution),
            sampleBytes, result);
    }
}

// Random channels in random layouts; `day` 0 starts at frame 0, `day` 1 a day into the run.
void CompareRandomRuns(std::uint64_t seed, std::int32_t resolution, std::int64_t day,
                       std::int32_t runs) {
    RandomSettings random(seed);
    const std::int32_t rates[] = {8000, 11025, 44100, 48000, 96000, 192000};
    Comparison result;
    for (std::int32_t run = 0; run < runs; ++run) {
        // Buffer lengths that are not whole blocks of the renderer, and some that are.
        const Layout setup{1 + random.Pick(8), rates[random.Pick(6)], resolution,
                           random.Chance(0.5) ? 256 * (1 + random.Pick(4)) : 1 + random.Pick(2000)};
        std::vector<ChannelSettings> settings;
        std::vector<WaveformTable> carrierTables;
        std::vector<WaveformTable> amTables;
        for (std::int32_t c = 0; c < setup.Channels; ++c) {
            settings.push_back(random.Next());
            carrierTables.push_back(RandomTable(random));
            amTables.push_back(RandomTable(random));
        }
        const std::int64_t firstFrame =
            day * SecondsPerDay * setup.Rate + random.Pick(setup.Rate * 10);
        RenderAndCompare(setup, settings, carrierTables, amTables, firstFrame, 2, result);
        if (result.Larger > 0) {
            break;
        }
    }
    EXPECT_GT(result.Samples, 1000000);
    ExpectWithinTolerance(result, resolution);
}

TEST(FastRenderer, RandomSettingsAtTheStartMatchTheFormulas) {
    CompareRandomRuns(1, 8, 0, 150);
    CompareRandomRuns(2, 16, 0, 300);
    CompareRandomRuns(3, 24, 0, 200);
    CompareRandomRuns(4, 32, 0, 300);
}

TEST(FastRenderer, RandomSettingsADayIntoTheRunMatchTheFormulas) {
    CompareRandomRuns(5, 8, 1, 150);
    CompareRandomRuns(6, 16, 1, 300);
    CompareRandomRuns(7, 24, 1, 200);
    CompareRandomRuns(8, 32, 1, 300);
}

// The heaviest case the device dialog allows: eight channels of sine at 192 kHz and 32 bits,
// with sine frequency and amplitude modulation, each channel with other frequencies.
void CompareHeaviestCase(std::int64_t firstFrame, std::int32_t resolution) {
    const Layout setup{8, 192000, resolution, 48000};
    std::vector<ChannelSettings> settings(8);
    for (std::int32_t c = 0; c < 8; ++c) {
        settings[c].Flags = FlagFM | FlagAM;
        settings[c].FMMinFreq = 440.0 + 55.0 * c;
        settings[c].FMMaxFreq = 880.0 + 110.0 * c;
        settings[c].FMFrequency = 1.0 + 0.5 * c;
        settings[c].AMFrequency = 3.0 + c;
        settings[c].AMMaxAmp = 1.0;
    }
    const std::vector<WaveformTable> noTables(8);
    Comparison result;
    RenderAndCompare(setup, settings, noTables, noTables, firstFrame, 2, result);
    EXPECT_EQ(result.Samples, 2 * 48000 * 8);
    ExpectWithinTolerance(result, resolution);
}

TEST(FastRenderer, HeaviestCaseMatchesTheFormulasAtTheStartAndADayIn) {
    CompareHeaviestCase(0, 32);
    CompareHeaviestCase(0, 16);
    CompareHeaviestCase(SecondsPerDay * 192000, 32);
    CompareHeaviestCase(SecondsPerDay * 192000, 16);
}

// Phases far beyond a day at audio rates (a year in, and frequencies above the audio range)
// leave the renderer's own phase reduction; the codes must still be the defined ones.
TEST(FastRenderer, HugePhasesStillMatchTheFormulas) {
    const Layout setup{3, 192000, 16, 4000};
    std::vector<ChannelSettings> settings(3);
    settings[0].Flags = 0;
    settings[0].Frequency = 90000.0;
    settings[0].Amplitude = 1.0;
    settings[1].Flags = FlagFM | FlagAM;
    settings[1].FMMinFreq = 60000.0;
    settings[1].FMMaxFreq = 95000.0;
    settings[1].FMFrequency = 40000.0;
    settings[1].AMFrequency = 70000.0;
    settings[2].Flags = FlagFM;
    settings[2].Waveform = WaveformIndex::Square;  // needs the exact phase
    settings[2].FMFrequency = 0.01;
    settings[2].Amplitude = 1.0;
    const std::vector<WaveformTable> noTables(3);
    Comparison result;
    RenderAndCompare(setup, settings, noTables, noTables, 365 * SecondsPerDay * 192000, 1, result);
    ExpectWithinTolerance(result, 16);
}

// A resolution the dialog never offers still gets exactly StoreSample's bytes: none for a width
// of 0 or 5 bytes, and nothing written beyond the buffer.
TEST(FastRenderer, ResolutionsWithoutASampleWidthWriteNothing) {
    for (std::int32_t resolution : {0, 4, 40}) {
        SCOPED_TRACE(resolution);
        auto stream = std::make_unique<OutputStream>();
        stream->Config.SampleRate = 48000;
        stream->Config.Resolution = resolution;
        stream->Config.ChannelCount = 2;
        stream->Config.ChannelMask = 3;
        stream->BufferFrames = 300;
        for (std::int32_t c = 0; c < 2; ++c) {
            stream->Channels[c].EditSettings.Flags = FlagFM | FlagAM;
        }
        PublishChannel(*stream, -1);
        const std::size_t bytes = 300u * 2 * static_cast<std::size_t>(resolution / 8);
        std::vector<std::uint8_t> buffer(bytes + 64, 0xA5);
        RenderBuffer(*stream, buffer.data());
        EXPECT_EQ(buffer, std::vector<std::uint8_t>(bytes + 64, 0xA5));
        EXPECT_EQ(stream->FrameCounter, 300);
    }
}

}  // namespace
}  // namespace tonquelle
