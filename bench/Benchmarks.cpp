// RenderBuffer's speed as a real-time factor (seconds of sound rendered per second of one core)
//
//   common:   2 channels, 44100 Hz, 16 bits, sine without modulation
//   heaviest: 8 channels, 192000 Hz, 32 bits, sine with sine FM and sine AM (the defaults
//             switched on), the largest configuration the device dialog offers
//
// each at the start of a run and 24 hours into it (FrameCounter = 24 · 3600 · SampleRate); and
// nanoseconds per call of each waveform shape, each FM integral and StoreSample, the building
// blocks of the straightforward per-sample path, near phase 0 and a day into a 440 Hz run.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "audio/OutputStream.h"
#include "synth/Renderer.h"
#include "synth/SampleEncoding.h"
#include "synth/WaveShapes.h"

namespace tonquelle {
namespace {

constexpr std::int64_t SecondsPerDay = 24 * 3600;

// 250 ms buffers, the program's default, at the start of a run (day:0) or 24 hours in (day:1);
// the channels differ in frequency, as they would in use.
void RenderBench(benchmark::State& state, std::int32_t channels, std::int32_t rate,
                 std::int32_t resolution, std::int32_t flags) {
    auto stream = std::make_unique<OutputStream>();
    stream->Config = {-1, rate, resolution, 250, (1 << channels) - 1, channels};
    stream->BufferFrames = BufferFramesOf(stream->Config);
    for (std::int32_t k = 0; k < channels; ++k) {  // flags, sine, no shift, frequency; FM
        stream->Channels[k].EditSettings = {
            flags, 0, 0.0, 440.0 + 110.0 * k, 0, 1.0, 440.0 + 55.0 * k, 880.0 + 110.0 * k};
    }
    PublishChannel(*stream, -1);
    std::vector<std::uint8_t> buffer(static_cast<std::size_t>(BufferBytesOf(stream->Config)));
    for (auto _ : state) {
        stream->FrameCounter = state.range(0) * SecondsPerDay * rate;  // each buffer as far in
        RenderBuffer(*stream, buffer.data());
        benchmark::DoNotOptimize(buffer.data());
        benchmark::ClobberMemory();
    }
    state.counters["realtime_x"] =
        benchmark::Counter(static_cast<double>(state.iterations() * stream->BufferFrames) / rate,
                           benchmark::Counter::kIsRate);
}
BENCHMARK_CAPTURE(RenderBench, common, 2, 44100, 16, 0)->ArgName("day")->DenseRange(0, 1);
BENCHMARK_CAPTURE(RenderBench, heaviest, 8, 192000, 32, FlagFM | FlagAM)
    ->ArgName("day")
    ->DenseRange(0, 1);

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

// StoreSample of values sweeping full scale, at the resolution in bits given as the argument.
void StoreSampleBench(benchmark::State& state) {
    std::uint8_t bytes[4];
    double value = -1.0;
    for (auto _ : state) {
        std::uint8_t* cursor = bytes;
        StoreSample(value, cursor, static_cast<std::int32_t>(state.range(0)));
        value = value > 1.0 ? -1.0 : value + 0.000123;
        benchmark::DoNotOptimize(bytes);
    }
}
BENCHMARK(StoreSampleBench)->Arg(8)->Arg(16)->Arg(24)->Arg(32);

}  // namespace
}  // namespace tonquelle

BENCHMARK_MAIN();
