// RenderBuffer's speed as a real-time factor: seconds of sound rendered per second of one core.
//
//   common:   2 channels, 44100 Hz, 16 bits, sine without modulation
//   heaviest: 8 channels, 192000 Hz, 32 bits, sine with sine FM and sine AM (the defaults
//             switched on), the largest configuration the device dialog offers
//
// each at the start of a run and 24 hours into it (FrameCounter = 24 · 3600 · SampleRate).

#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "audio/OutputStream.h"
#include "synth/Renderer.h"

namespace tonquelle {
namespace {

struct Case {
    std::int32_t Channels;
    std::int32_t Rate;
    std::int32_t Resolution;
    std::int32_t Flags;
};

constexpr Case Common{2, 44100, 16, 0};
constexpr Case Heaviest{8, 192000, 32, FlagFM | FlagAM};
constexpr std::int64_t SecondsPerDay = 24 * 3600;
constexpr std::int32_t BufferLength = 250;  // milliseconds, the program's default

void RenderBench(benchmark::State& state, Case c, std::int64_t startSeconds) {
    auto stream = std::make_unique<OutputStream>();
    stream->Config.SampleRate = c.Rate;
    stream->Config.Resolution = c.Resolution;
    stream->Config.BufferLength = BufferLength;
    stream->Config.ChannelCount = c.Channels;
    stream->Config.ChannelMask = (1 << c.Channels) - 1;
    stream->BufferFrames = BufferFramesOf(stream->Config);
    for (std::int32_t k = 0; k < c.Channels; ++k) {
        ChannelSettings& s = stream->Channels[k].EditSettings;
        s.Flags = c.Flags;
        s.Frequency = 440.0 + 110.0 * k;  // the channels differ, as they would in use
        s.FMMinFreq = 440.0 + 55.0 * k;
        s.FMMaxFreq = 880.0 + 110.0 * k;
    }
    PublishChannel(*stream, -1);
    std::vector<std::uint8_t> buffer(static_cast<std::size_t>(BufferBytesOf(stream->Config)));
    const std::int64_t startFrame = startSeconds * c.Rate;
    for (auto _ : state) {
        // Every buffer starts at the same point of the run, so a day in stays a day in.
        stream->FrameCounter = startFrame;
        RenderBuffer(*stream, buffer.data());
        benchmark::DoNotOptimize(buffer.data());
        benchmark::ClobberMemory();
    }
    const double secondsPerBuffer = static_cast<double>(stream->BufferFrames) / c.Rate;
    state.counters["realtime_x"] = benchmark::Counter(
        secondsPerBuffer * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    state.SetItemsProcessed(state.iterations() * stream->BufferFrames * c.Channels);
}

BENCHMARK_CAPTURE(RenderBench, common_start, Common, 0)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(RenderBench, common_day_in, Common, SecondsPerDay)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(RenderBench, heaviest_start, Heaviest, 0)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(RenderBench, heaviest_day_in, Heaviest, SecondsPerDay)
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tonquelle

BENCHMARK_MAIN();
