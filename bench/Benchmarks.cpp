// RenderBuffer's speed as a real-time factor (seconds of sound rendered per second of one core's
// CPU time), each at the start of a run and 24 hours into it (FrameCounter = 24 · 3600 ·
// SampleRate):
//
//   common:  2 channels, 44100 Hz, 16 bits, sine without modulation
//   LogSweep: 8 × 192000 Hz × 32 bits, sine carriers swept logarithmically 20 Hz..20 kHz once a
//            second by the rising saw or the sine
//   sine FM+AM: 8 channels, 192000 Hz, 32 bits, sine carrier with sine FM 440..880 Hz at 5 Hz and
//            sine AM 0..1 at 3 Hz (the case bench/compare.sh times against SoX); PerSampleFormula:
//            the same case by the per-sample definition alone
//   ShapeSweep: every carrier shape 0..7 with every FM shape 0..4 or none and every AM shape
//            0..7 or none, 8 × 192000 Hz × 32 bits (squares of 25 to 60 % duty cycle); prints
//            the slowest combinations; NoiseAndPulseSweep: the same for the square and the
//            noises only; LogSweepShapes: the periodic carriers with every FM shape 0..5 swept
//            logarithmically 20 Hz..20 kHz and every AM shape or none
//   ExtremeValues: typed values up to 1e300 (frequencies, phases, modulation limits,
//            amplitudes), and everything near 20 kHz; prints the slowest
//
// and nanoseconds per call of each waveform shape and each FM integral, the building blocks of
// the per-sample definition, near phase 0 and a day into a 440 Hz run.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <ctime>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "records/OutputStream.h"
#include "synth/ChannelValue.h"
#include "synth/Renderer.h"
#include "synth/SampleEncoding.h"
#include "synth/WaveShapes.h"

namespace tonquelle {
namespace {

constexpr std::int64_t SecondsPerDay = 24 * 3600;

// A stream of `channels` channels with 250 ms buffers (the program's default), channel k holding
// `settings(k)`, and user tables of 50 points in every slot.
template <typename Settings>
std::unique_ptr<OutputStream> MakeStream(std::int32_t channels, std::int32_t rate,
                                         std::int32_t resolution, Settings settings) {
    auto stream = std::make_unique<OutputStream>();
    stream->Config = {-1, rate, resolution, 250, (1 << channels) - 1, channels};
    stream->BufferFrames = BufferFramesOf(stream->Config);
    for (std::int32_t k = 0; k < channels; ++k) {
        stream->Channels[k].EditSettings = settings(k);
        for (WaveformTable& table : stream->Channels[k].PendingWaveforms) {
            table = {std::make_unique<double[]>(50), 50};
            for (std::int32_t i = 0; i < 50; ++i) {
                table.Points[i] = (i % 10) / 5.0 - 0.9;  // a staircase
            }
        }
    }
    PublishChannel(*stream, -1);
    return stream;
}

// Real-time factor of rendering `buffers` buffers from `day` days into the run, by CPU time.
double RealTimeFactor(OutputStream& stream, std::int64_t day, std::int32_t buffers) {
    std::vector<std::uint8_t> buffer(static_cast<std::size_t>(BufferBytesOf(stream.Config)));
    stream.FrameCounter = day * SecondsPerDay * stream.Config.SampleRate;
    RenderBuffer(stream, buffer.data());  // takes the settings over
    const std::clock_t start = std::clock();
    for (std::int32_t b = 0; b < buffers; ++b) {
        RenderBuffer(stream, buffer.data());
        benchmark::DoNotOptimize(buffer.data());
    }
    const double seconds = static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC;
    return buffers * static_cast<double>(stream.BufferFrames) / stream.Config.SampleRate /
           std::max(seconds, 1e-9);
}

// Runs the benchmark's iterations on `stream`, each one buffer as far into the run as the
// argument's days, and reports the real-time factor.
void RunBuffers(benchmark::State& state, OutputStream& stream) {
    std::vector<std::uint8_t> buffer(static_cast<std::size_t>(BufferBytesOf(stream.Config)));
    const std::int32_t rate = stream.Config.SampleRate;
    for (auto _ : state) {
        stream.FrameCounter = state.range(0) * SecondsPerDay * rate;
        RenderBuffer(stream, buffer.data());
        benchmark::DoNotOptimize(buffer.data());
        benchmark::ClobberMemory();
    }
    state.counters["realtime_x"] =
        benchmark::Counter(static_cast<double>(state.iterations() * stream.BufferFrames) / rate,
                           benchmark::Counter::kIsRate);
}

void Common(benchmark::State& state) {
    auto stream = MakeStream(2, 44100, 16, [](std::int32_t k) {
        return ChannelSettings{.Flags = 0, .Frequency = 440.0 + 110.0 * k, .Amplitude = 0.5};
    });
    RunBuffers(state, *stream);
}
BENCHMARK(Common)->ArgName("day")->DenseRange(0, 1);

// ChannelSettings of the sine FM+AM case for channel k (each with its own phase shift).
ChannelSettings SineFMAM(std::int32_t k) {
    return {.Flags = FlagFM | FlagAM,
            .Waveform = WaveformIndex::Sine,
            .PhaseShift = 0.1 * k,
            .FMWaveform = WaveformIndex::Sine,
            .FMFrequency = 5.0,
            .FMMinFreq = 440.0,
            .FMMaxFreq = 880.0,
            .AMWaveform = WaveformIndex::Sine,
            .AMFrequency = 3.0,
            .AMMinAmp = 0.0,
            .AMMaxAmp = 1.0};
}

void SineFMAndAM(benchmark::State& state) {
    auto stream = MakeStream(8, 192000, 32, SineFMAM);
    RunBuffers(state, *stream);
}
BENCHMARK(SineFMAndAM)->ArgName("day")->DenseRange(0, 1);

// The per-sample definition alone on the same case (ChannelValue and StoreSample for every
// sample, one 250 ms buffer per iteration): what the block renderer saves.
void PerSampleFormula(benchmark::State& state) {
    constexpr std::int32_t Rate = 192000;
    constexpr std::int32_t Channels = 8;
    constexpr std::int32_t Frames = Rate / 4;
    std::vector<ChannelSettings> settings;
    for (std::int32_t c = 0; c < Channels; ++c)
        settings.push_back(SineFMAM(c));
    const WaveformTable noTable;
    std::vector<std::uint8_t> buffer(std::size_t{Frames} * Channels * 4);
    const std::int64_t first = state.range(0) * SecondsPerDay * Rate;
    for (auto _ : state) {
        std::uint8_t* cursor = buffer.data();
        for (std::int64_t frame = first; frame < first + Frames; ++frame) {
            for (std::int32_t c = 0; c < Channels; ++c) {
                const SamplePoint point{c, frame, static_cast<double>(frame) / Rate};
                StoreSample(ChannelValue(settings[c], noTable, noTable, point), cursor, 32);
            }
        }
        benchmark::DoNotOptimize(buffer.data());
    }
    state.counters["realtime_x"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * Frames / Rate, benchmark::Counter::kIsRate);
}
BENCHMARK(PerSampleFormula)->ArgName("day")->DenseRange(0, 1);

// A logarithmic sweep from 20 Hz to 20 kHz once a second on every channel, the FM shape the
// second argument (3: the rising saw of impulse-response measurements, 0: the sine).
void LogSweep(benchmark::State& state) {
    auto stream = MakeStream(8, 192000, 32, [&](std::int32_t k) {
        ChannelSettings s = SineFMAM(k);
        s.Flags = FlagFM | FlagFMLog;
        s.FMWaveform = static_cast<std::int32_t>(state.range(1));
        s.FMFrequency = 1.0;
        s.FMMinFreq = 20.0;
        s.FMMaxFreq = 20000.0;
        s.Amplitude = 0.8;
        return s;
    });
    RunBuffers(state, *stream);
}
BENCHMARK(LogSweep)->ArgNames({"day", "fm"})->ArgsProduct({{0, 1}, {3, 0}});

struct Measured {
    std::string Name;
    double Factor;
};

// Prints the slowest cases and reports the slowest factor and the median.
void Report(benchmark::State& state, std::vector<Measured> cases, const char* title) {
    std::ranges::sort(cases, {}, &Measured::Factor);
    std::cout << title << ": " << cases.size() << " cases, slowest first (real-time factor):\n";
    for (std::size_t i = 0; i < std::min<std::size_t>(cases.size(), 8); ++i) {
        std::cout << "  " << cases[i].Factor << "x  " << cases[i].Name << '\n';
    }
    state.counters["slowest_x"] = cases.front().Factor;
    state.counters["median_x"] = cases[cases.size() / 2].Factor;
}

// The real-time factor of 8 × 192000 Hz × 32 bits with `settings`, the better of three runs of
// two seconds of sound each, at the start and a day in: the slower of the two.
template <typename Settings>
double SweepFactor(Settings settings) {
    auto stream = MakeStream(8, 192000, 32, settings);
    double slowest = 1e300;
    for (std::int64_t day : {0, 1}) {
        double best = 0.0;
        for (int run = 0; run < 3; ++run) {
            best = std::max(best, RealTimeFactor(*stream, day, 8));
        }
        slowest = std::min(slowest, best);
    }
    return slowest;
}

// The carrier shapes `carriers` with every FM shape (or none) and every AM shape (or none):
// channels differing in phase shift, FM range and the square's duty cycle as they would in use.
// With `logarithmic`, every FM shape (the user shape too, which keeps the centre frequency)
// sweeps logarithmically from 20 Hz to 20 kHz about once a second.
void SweepShapes(benchmark::State& state, const std::vector<std::int32_t>& carriers,
                 const char* title, bool logarithmic = false) {
    std::vector<Measured> cases;
    for (auto _ : state) {
        for (std::int32_t carrier : carriers)
            for (std::int32_t fm = logarithmic ? 0 : -1; fm < (logarithmic ? 6 : 5); ++fm)
                for (std::int32_t am = -1; am < WaveformIndex::Count; ++am) {
                    const double factor = SweepFactor([&](std::int32_t k) {
                        ChannelSettings s = SineFMAM(k);
                        s.Flags = (fm >= 0 ? FlagFM : 0) | (am >= 0 ? FlagAM : 0);
                        if (logarithmic) {
                            s.Flags |= FlagFMLog;
                            s.FMFrequency = 1.0 + 0.01 * k;
                            s.FMMinFreq = 20.0;
                            s.FMMaxFreq = 20000.0 - 100.0 * k;
                        }
                        s.Waveform = carrier;
                        s.Frequency = 440.0 + 110.0 * k;
                        s.Amplitude = 0.8;
                        s.FMWaveform = std::max(fm, 0);
                        s.FMMaxFreq = logarithmic ? s.FMMaxFreq : 880.0 + 55.0 * k;
                        s.AMWaveform = std::max(am, 0);
                        s.DutyCycle = 25.0 + 5.0 * k;
                        return s;
                    });
                    cases.push_back({"carrier " + std::to_string(carrier) + ", FM " +
                                         (fm < 0 ? "off" : std::to_string(fm)) + ", AM " +
                                         (am < 0 ? "off" : std::to_string(am)),
                                     factor});
                }
    }
    Report(state, cases, title);
}

// Every carrier shape: 8 × 6 × 9 combinations.
void ShapeSweep(benchmark::State& state) {
    SweepShapes(state, {0, 1, 2, 3, 4, 5, 6, 7}, "ShapeSweep");
}
// The square with its duty cycle and the noises: 3 × 6 × 9 combinations.
void NoiseAndPulseSweep(benchmark::State& state) {
    SweepShapes(state, {WaveformIndex::Square, WaveformIndex::WhiteNoise, WaveformIndex::PinkNoise},
                "NoiseAndPulseSweep");
}
// The periodic carrier shapes swept logarithmically by every FM shape: 6 × 6 × 9 combinations.
void LogSweepShapes(benchmark::State& state) {
    SweepShapes(state, {0, 1, 2, 3, 4, 5}, "LogSweepShapes", true);
}
BENCHMARK(NoiseAndPulseSweep)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(LogSweepShapes)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(ShapeSweep)->Iterations(1)->Unit(benchmark::kSecond);

// A typed value applied to the sine FM+AM settings.
struct Extreme {
    const char* Name;
    void (*Apply)(ChannelSettings&);
};

// Each of `extremes` on every carrier shape with every FM and AM shape (the same for both).
void SweepExtremes(benchmark::State& state, const std::vector<Extreme>& extremes,
                   const char* title) {
    std::vector<Measured> cases;
    for (auto _ : state) {
        for (const Extreme& extreme : extremes)
            for (std::int32_t carrier = 0; carrier < 6; ++carrier)
                for (std::int32_t modulation = 0; modulation < 5; ++modulation) {
                    const double factor = SweepFactor([&](std::int32_t k) {
                        ChannelSettings s = SineFMAM(k);
                        s.Waveform = carrier;
                        s.FMWaveform = modulation;
                        s.AMWaveform = modulation;
                        extreme.Apply(s);
                        return s;
                    });
                    cases.push_back({std::string(extreme.Name) + ", carrier " +
                                         std::to_string(carrier) + ", FM and AM shape " +
                                         std::to_string(modulation),
                                     factor});
                }
    }
    Report(state, cases, title);
}

// Typed values far beyond the sliders' ranges.
void ExtremeValues(benchmark::State& state) {
    SweepExtremes(state,
                  {
                      {"Frequency 1e300, no FM",
                       [](ChannelSettings& s) { s.Flags &= ~FlagFM, s.Frequency = 1e300; }},
                      {"PhaseShift 1e300", [](ChannelSettings& s) { s.PhaseShift = 1e300; }},
                      {"PhaseShift -3e299", [](ChannelSettings& s) { s.PhaseShift = -3e299; }},
                      {"FMFrequency 1e300", [](ChannelSettings& s) { s.FMFrequency = 1e300; }},
                      {"FMFrequency 1e-300", [](ChannelSettings& s) { s.FMFrequency = 1e-300; }},
                      {"FM limits -1e300..1e300",
                       [](ChannelSettings& s) { s.FMMinFreq = -1e300, s.FMMaxFreq = 1e300; }},
                      {"AMFrequency 1e300", [](ChannelSettings& s) { s.AMFrequency = 1e300; }},
                      {"AM limits -1e300..1e300",
                       [](ChannelSettings& s) { s.AMMinAmp = -1e300, s.AMMaxAmp = 1e300; }},
                      {"Amplitude 1e300, no AM",
                       [](ChannelSettings& s) { s.Flags &= ~FlagAM, s.Amplitude = 1e300; }},
                      {"Amplitude 1e-310 (subnormal), no AM",
                       [](ChannelSettings& s) { s.Flags &= ~FlagAM, s.Amplitude = 1e-310; }},
                      {"all near 20 kHz",
                       [](ChannelSettings& s) {
                           s.Frequency = 19999.9, s.FMFrequency = 19000.0, s.FMMinFreq = 19500.0,
                           s.FMMaxFreq = 20000.0, s.AMFrequency = 18000.0;
                       }},
                  },
                  "ExtremeValues");
}
BENCHMARK(ExtremeValues)->Iterations(1)->Unit(benchmark::kSecond);

// Calls `shape` at phases stepping through a period from 1 (day:0) or from 2π · 440 · 86400
// (day:1), one call per iteration.
void ShapeBench(benchmark::State& state, double (*shape)(double)) {
    double phase = state.range(0) == 0 ? 1.0 : TwoPi * 440.0 * SecondsPerDay;
    for (auto _ : state) {
        benchmark::DoNotOptimize(shape(phase));
        phase += 0.0123;
    }
}

double UserShape(double x) {  // the points' values do not change the cost
    static const WaveformTable table{std::make_unique<double[]>(50), 50};
    return WaveUser(x, table);
}

#define TONQUELLE_SHAPE(f) BENCHMARK_CAPTURE(ShapeBench, f, f)->ArgName("day")->DenseRange(0, 1)
TONQUELLE_SHAPE(WaveSine);
TONQUELLE_SHAPE(WaveTriangle);
TONQUELLE_SHAPE(WaveSawFalling);
TONQUELLE_SHAPE(WaveSawRising);
TONQUELLE_SHAPE(WaveSquare);
TONQUELLE_SHAPE(UserShape);
TONQUELLE_SHAPE(IntegralSine);
TONQUELLE_SHAPE(IntegralTriangle);
TONQUELLE_SHAPE(IntegralSawFalling);
TONQUELLE_SHAPE(IntegralSawRising);
TONQUELLE_SHAPE(IntegralSquare);

}  // namespace
}  // namespace tonquelle

BENCHMARK_MAIN();
