// Nanoseconds per call of each waveform shape, each FM integral and StoreSample: the building
// blocks of the straightforward per-sample path. Phases near zero and a day into a 440 Hz run.

#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>

#include "audio/OutputStream.h"
#include "synth/SampleEncoding.h"
#include "synth/WaveShapes.h"

namespace tonquelle {
namespace {

// 440 Hz after 24 hours: 2π · 440 · 86400.
constexpr double DayInPhase = TwoPi * 440.0 * 86400.0;

// Calls `shape` at phases stepping through a period from `base`, one call per iteration.
template <typename Shape>
void ShapeBench(benchmark::State& state, Shape shape, double base) {
    double phase = base;
    const double step = 0.0123;
    for (auto _ : state) {
        benchmark::DoNotOptimize(shape(phase));
        phase += step;
    }
    state.SetItemsProcessed(state.iterations());
}

double UserShape(double x) {
    static const WaveformTable table = [] {
        WaveformTable t;
        t.PointCount = 50;
        t.Points = std::make_unique<double[]>(50);
        for (std::int32_t k = 0; k < 50; ++k) {
            t.Points[k] = k / 25.0 - 1.0;
        }
        return t;
    }();
    return WaveUser(x, table);
}

#define TONQUELLE_SHAPE_BENCH(shape)                          \
    BENCHMARK_CAPTURE(ShapeBench, shape##_start, shape, 1.0); \
    BENCHMARK_CAPTURE(ShapeBench, shape##_day_in, shape, DayInPhase)

TONQUELLE_SHAPE_BENCH(WaveSine);
TONQUELLE_SHAPE_BENCH(WaveTriangle);
TONQUELLE_SHAPE_BENCH(WaveSawFalling);
TONQUELLE_SHAPE_BENCH(WaveSawRising);
TONQUELLE_SHAPE_BENCH(WaveSquare);
TONQUELLE_SHAPE_BENCH(UserShape);
TONQUELLE_SHAPE_BENCH(IntegralSine);
TONQUELLE_SHAPE_BENCH(IntegralTriangle);
TONQUELLE_SHAPE_BENCH(IntegralSawFalling);
TONQUELLE_SHAPE_BENCH(IntegralSawRising);
TONQUELLE_SHAPE_BENCH(IntegralSquare);

// StoreSample over values spread across full scale, at one resolution.
void StoreSampleBench(benchmark::State& state) {
    const auto resolution = static_cast<std::int32_t>(state.range(0));
    std::array<std::uint8_t, 4096> buffer{};
    std::uint8_t* cursor = buffer.data();
    double value = -1.0;
    for (auto _ : state) {
        StoreSample(value, cursor, resolution);
        value = value > 1.0 ? -1.0 : value + 0.000123;
        if (cursor > buffer.data() + buffer.size() - 4) {
            cursor = buffer.data();
        }
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(StoreSampleBench)->Arg(8)->Arg(16)->Arg(24)->Arg(32);

}  // namespace
}  // namespace tonquelle
