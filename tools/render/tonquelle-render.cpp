// tonquelle-render: renders a memory slot of the settings file to a WAV file with the
// generator's own renderer, buffer after buffer, as the stream thread would play it.

#include <algorithm>
#include <atomic>
#include <bit>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "records/OutputStream.h"
#include "settings/DataFolder.h"
#include "settings/SettingsStore.h"
#include "synth/Renderer.h"
#include "synth/SoftTransition.h"
#include "synth/SpeakerLayout.h"
#include "tools/render/Interruption.h"
#include "tools/render/RenderOptions.h"
#include "tools/render/WavWriter.h"
#include "tools/render/WaveOutputFile.h"
#include "waveform/WaveformLoader.h"

#if defined(_WIN32)
#include <io.h>
#define TONQUELLE_ISATTY(fd) _isatty(fd)
#else
#include <unistd.h>
#define TONQUELLE_ISATTY(fd) isatty(fd)
#endif

namespace tonquelle {
namespace {

namespace fs = std::filesystem;

constexpr int ExitFailure = 2;
// Buffers are allocated whole; longer ones than this gain nothing.
constexpr std::int64_t MaxBufferBytes = 64 * 1024 * 1024;
constexpr std::int32_t MaxBufferLength = 10000;  // milliseconds

// After SIGINT or SIGTERM every failure is the interruption's doing (a wait it ended), and the
// render stops at its next step: either way the one line says so.
int Fail(const std::string& message) {
    std::cerr << "tonquelle-render: " << (InterruptionRequested() ? "interrupted" : message)
              << '\n';
    return ExitFailure;
}

std::string FormatSeconds(double seconds) {
    std::ostringstream text;
    text << seconds;
    return text.str();
}

// The program's settings file, where the program keeps it.
fs::path DefaultSettingsFile() {
    return ChooseDataFolder(ExecutableFolder(), UserConfigFolder()) / "tonquelle.ini";
}

// An error text when the settings file given on the command line cannot be read.
std::string CheckSettingsFile(const fs::path& path) {
    std::error_code error;
    if (!fs::exists(path, error)) {
        return "settings file '" + path.string() + "' not found";
    }
    if (!fs::is_regular_file(path, error) || !std::ifstream(path)) {
        return "settings file '" + path.string() + "' cannot be read";
    }
    return {};
}

// The output configuration: the settings file's, with the command line's choices over it.
OutputConfig ChooseConfig(OutputConfig config, const RenderOptions& options) {
    config.SampleRate = options.SampleRate.value_or(config.SampleRate);
    config.Resolution = options.Resolution.value_or(config.Resolution);
    config.ChannelMask = options.ChannelMask.value_or(config.ChannelMask);
    config.BufferLength = options.BufferLength.value_or(config.BufferLength);
    config.ChannelCount = std::popcount(static_cast<std::uint32_t>(config.ChannelMask));
    return config;
}

// An error text when the chosen configuration (values from the file are not checked by
// LoadSettings) cannot be rendered.
std::string CheckConfig(const OutputConfig& config) {
    const std::string n = " (see --help)";
    if (config.SampleRate <= 0) {
        return "sample rate " + std::to_string(config.SampleRate) + " Hz is not above 0" + n;
    }
    if (config.Resolution != 8 && config.Resolution != 16 && config.Resolution != 24 &&
        config.Resolution != 32) {
        return "resolution " + std::to_string(config.Resolution) + " is not 8, 16, 24 or 32" + n;
    }
    const auto mask = static_cast<std::uint32_t>(config.ChannelMask);
    if (mask >> SpeakerCount != 0) {
        return "speaker mask " + std::to_string(mask) + " has bits beyond the 18 speakers" + n;
    }
    if (config.ChannelCount < 1 || config.ChannelCount > MaxChannels) {
        return "speaker mask " + std::to_string(mask) + " selects " +
               std::to_string(config.ChannelCount) + " channels; 1 to 8 are possible" + n;
    }
    if (config.BufferLength <= 0 || config.BufferLength > MaxBufferLength) {
        return "buffer length " + std::to_string(config.BufferLength) +
               " ms is outside 1 to 10000 ms" + n;
    }
    const std::int64_t frameBytes = std::int64_t{config.ChannelCount} * (config.Resolution / 8);
    if (std::int64_t{config.SampleRate} * frameBytes > 0xFFFFFFFF) {
        return "sample rate " + std::to_string(config.SampleRate) +
               " Hz is too high for a WAV file with this frame size";
    }
    const std::int32_t frames = BufferFramesOf(config);
    if (frames < 1) {
        return "a buffer of " + std::to_string(config.BufferLength) + " ms at " +
               std::to_string(config.SampleRate) + " Hz holds no frame" + n;
    }
    if (frames * frameBytes > MaxBufferBytes) {
        return "a buffer of " + std::to_string(config.BufferLength) +
               " ms is too large at this rate (at most 64 MiB)";
    }
    return {};
}

// Puts the slot's channels into the stream and publishes them, then loads the user waveforms.
std::string PrepareStream(OutputStream& stream, const MemorySlot& slot,
                          const RenderOptions& options) {
    for (std::int32_t k = 0; k < stream.Config.ChannelCount; ++k) {
        stream.Channels[k].EditSettings = slot.Channels[k];
    }
    PublishChannel(stream, -1);
    for (const WaveFileOption& wave : options.WaveFiles) {
        const char* option = wave.Slot == WaveformSlotCarrier ? "--wave" : "--am-wave";
        if (wave.Channel >= stream.Config.ChannelCount) {
            return std::string(option) + ": channel " + std::to_string(wave.Channel) +
                   " is not in use (the mask selects " +
                   std::to_string(stream.Config.ChannelCount) + " channels)";
        }
        const WaveformLoadResult loaded =
            LoadWaveformFile(stream, wave.Channel, wave.Slot, wave.File);
        if (!loaded) {
            return std::string(option) + ": cannot read waveform file '" + wave.File.string() +
                   "' (missing, not a regular file, over 64 MiB, unreadable or without a number)";
        }
        if (loaded.Unreadable.Count > 0) {
            std::cerr << "tonquelle-render: Warnung: "
                      << UnreadableLinesMessage(wave.File.string(), loaded.Unreadable) << '\n';
        }
    }
    stream.FrameCounter = static_cast<std::int64_t>(
        std::nearbyint(options.Start * static_cast<double>(stream.Config.SampleRate)));
    stream.BufferFrames = BufferFramesOf(stream.Config);
    return {};
}

// Shows how far the render is, on a terminal only and only once it has taken a moment.
class ProgressLine {
  public:
    ProgressLine(std::int64_t totalFrames, std::int32_t sampleRate)
        : enabled_(TONQUELLE_ISATTY(2) != 0),
          total_(totalFrames),
          rate_(sampleRate),
          start_(Clock::now()),
          lastShown_(start_) {}

    void Update(std::int64_t doneFrames) {
        const auto now = Clock::now();
        if (!enabled_ || now - start_ < std::chrono::seconds(2) ||
            now - lastShown_ < std::chrono::milliseconds(200)) {
            return;
        }
        lastShown_ = now;
        shown_ = true;
        std::fprintf(stderr, "\rtonquelle-render: %3d%% (%.1f of %.1f s)",
                     static_cast<int>(100 * doneFrames / std::max<std::int64_t>(total_, 1)),
                     static_cast<double>(doneFrames) / rate_, static_cast<double>(total_) / rate_);
    }

    void Finish() {
        if (shown_) {
            std::fputc('\n', stderr);
        }
    }

  private:
    using Clock = std::chrono::steady_clock;
    bool enabled_;
    bool shown_ = false;
    std::int64_t total_;
    std::int32_t rate_;
    Clock::time_point start_;
    Clock::time_point lastShown_;
};

// Renders whole buffers and writes them, the last one cut at `totalFrames`.
std::string RenderFrames(OutputStream& stream, std::int64_t totalFrames, WaveOutputFile& output) {
    const std::int32_t frameBytes = stream.Config.ChannelCount * (stream.Config.Resolution / 8);
    std::vector<std::uint8_t> buffer(static_cast<std::size_t>(BufferBytesOf(stream.Config)));
    ProgressLine progress(totalFrames, stream.Config.SampleRate);
    for (std::int64_t done = 0; done < totalFrames;) {
        if (InterruptionRequested()) {
            progress.Finish();
            return "interrupted";
        }
        RenderBuffer(stream, buffer.data());
        const std::int64_t frames = std::min<std::int64_t>(stream.BufferFrames, totalFrames - done);
        if (!output.Write(buffer.data(), static_cast<std::size_t>(frames * frameBytes))) {
            progress.Finish();
            return output.Error();
        }
        done += frames;
        progress.Update(done);
    }
    progress.Finish();
    return {};
}

int Run(int argc, char** argv) {
    const std::vector<std::string_view> args(argv + std::min(argc, 1), argv + argc);
    const ParsedOptions parsed = ParseRenderOptions(args);
    const RenderOptions& options = parsed.Options;
    if (options.Help) {
        std::cout << RenderUsage();
        return 0;
    }
    if (options.Version) {
        std::cout << "tonquelle-render " TONQUELLE_VERSION "\n";
        return 0;
    }
    if (!parsed.Error.empty()) {
        return Fail(parsed.Error);
    }

    fs::path settingsFile = DefaultSettingsFile();
    if (options.SettingsFile) {
        settingsFile = *options.SettingsFile;
        if (const std::string error = CheckSettingsFile(settingsFile); !error.empty()) {
            return Fail(error);
        }
    }
    OutputConfig fileConfig;
    MemorySlots slots;
    LoadSettings(settingsFile, fileConfig, slots);

    OutputStream stream;
    stream.Config = ChooseConfig(fileConfig, options);
    SetSoftTransitions(stream, options.SoftTransitions || fileConfig.SoftTransitions != 0);
    if (const std::string error = CheckConfig(stream.Config); !error.empty()) {
        return Fail(error);
    }
    const std::int64_t frameBytes =
        std::int64_t{stream.Config.ChannelCount} * (stream.Config.Resolution / 8);
    const double frames = std::nearbyint(options.Seconds * stream.Config.SampleRate);
    if (frames * static_cast<double>(frameBytes) > static_cast<double>(MaxWaveDataBytes)) {
        return Fail("--seconds " + FormatSeconds(options.Seconds) +
                    " is too long for a WAV file (at most 4 GiB of samples)");
    }
    const auto totalFrames = static_cast<std::int64_t>(frames);
    // Frame numbers stay exact doubles below 2^53, which the time base relies on.
    if (std::nearbyint(options.Start * stream.Config.SampleRate) + frames > 0x1p53) {
        return Fail("--start " + FormatSeconds(options.Start) +
                    " is too far into the time base (at most 2^53 frames)");
    }
    if (const std::string error = PrepareStream(stream, slots[options.Slot], options);
        !error.empty()) {
        return Fail(error);
    }

    if (InterruptionRequested()) {  // before waiting for a FIFO's reader
        return Fail("interrupted");
    }
    WaveOutputFile output;
    if (!output.Open(options.Output)) {
        return Fail(output.Error());
    }
    const auto dataBytes = static_cast<std::uint32_t>(totalFrames * frameBytes);
    const auto header = MakeWaveHeader(stream.Config, dataBytes);
    const std::uint8_t pad[1] = {0};
    std::string error;
    if (!output.Write(header.data(), header.size())) {
        error = output.Error();
    } else {
        error = RenderFrames(stream, totalFrames, output);
    }
    if (error.empty() && !output.Write(pad, WavePadBytes(dataBytes))) {
        error = output.Error();
    }
    if (error.empty() && !output.Commit()) {
        error = output.Error();
    }
    if (!error.empty()) {
        output.Discard();
        return Fail(error);
    }
    return 0;
}

}  // namespace
}  // namespace tonquelle

int main(int argc, char** argv) {
    tonquelle::CatchInterruptions();
    return tonquelle::Run(argc, argv);
}
