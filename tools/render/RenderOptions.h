#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tonquelle {

// A user waveform file for one output channel's table slot (0 carrier, 2 amplitude modulation).
struct WaveFileOption {
    std::int32_t Channel = 0;
    std::int32_t Slot = 0;
    std::filesystem::path File;
};

// What the command line of tonquelle-render asks for. Unset values come from the settings file.
struct RenderOptions {
    bool Help = false;
    bool Version = false;
    std::optional<std::filesystem::path> SettingsFile;  // set: must exist
    std::int32_t Slot = -1;
    double Seconds = 10.0;
    double Start = 0.0;  // seconds into the common time base
    std::optional<std::int32_t> SampleRate;
    std::optional<std::int32_t> Resolution;
    std::optional<std::int32_t> ChannelMask;
    std::optional<std::int32_t> BufferLength;  // milliseconds
    std::vector<WaveFileOption> WaveFiles;     // in command-line order
    bool SoftTransitions = false;              // --soft: on whatever the settings file says
    std::string Output;                        // a path, or "-" for standard output
};

struct ParsedOptions {
    RenderOptions Options;
    std::string Error;  // empty when the command line is valid
};

// Reads the arguments after the program name. Options take their value as the next argument or
// after '=' ("--rate 48000", "--rate=48000"); numbers must be whole arguments and fit their
// type. Checks what the command line alone decides (ranges of slot, resolution, rate, seconds,
// mask); the combination with the settings file is checked later.
ParsedOptions ParseRenderOptions(const std::vector<std::string_view>& args);

// The --help text.
std::string RenderUsage();

}  // namespace tonquelle
