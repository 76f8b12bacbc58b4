#include "tools/render/RenderOptions.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

namespace tonquelle {

namespace {

// Parses all of `text` as a number of type T; nothing on a sign, space, trailing character or
// overflow. Hexadecimal with "0x" when `allowHex`.
template <typename T>
std::optional<T> WholeNumber(std::string_view text, bool allowHex = false) {
    int base = 10;
    if (allowHex && text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
        base = 16;
    }
    if (text.empty() || text.front() == '+') {
        return std::nullopt;
    }
    T value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (error != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

std::optional<double> WholeDecimal(std::string_view text) {
    if (text.empty() || text.front() == '+') {
        return std::nullopt;
    }
    double value = 0.0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

// "CH:FILE" with CH a channel number 0..7.
std::optional<WaveFileOption> WaveFileArgument(std::string_view text, std::int32_t slot) {
    const std::size_t colon = text.find(':');
    if (colon == std::string_view::npos || colon + 1 >= text.size()) {
        return std::nullopt;
    }
    const auto channel = WholeNumber<std::int32_t>(text.substr(0, colon));
    if (!channel || *channel < 0 || *channel > 7) {
        return std::nullopt;
    }
    return WaveFileOption{*channel, slot,
                          std::filesystem::path(std::string(text.substr(colon + 1)))};
}

class ArgumentReader {
  public:
    explicit ArgumentReader(const std::vector<std::string_view>& args) : args_(args) {}

    bool AtEnd() const { return next_ >= args_.size(); }
    std::string_view Next() { return args_[next_++]; }

    // The value of option `name`: the text after '=' or the next argument.
    std::optional<std::string_view> ValueOf(std::string_view name,
                                            std::optional<std::string_view> inlineValue) {
        if (inlineValue) {
            return inlineValue;
        }
        if (AtEnd()) {
            error_ = "option " + std::string(name) + " needs a value";
            return std::nullopt;
        }
        return Next();
    }

    std::string& Error() { return error_; }

  private:
    const std::vector<std::string_view>& args_;
    std::size_t next_ = 0;
    std::string error_;
};

// The options that take a value; any other name after "-" is unknown.
constexpr std::string_view OptionsWithValue[] = {"--settings", "--slot",   "--start", "--seconds",
                                                 "--rate",     "--bits",   "--mask",  "--buffer",
                                                 "--wave",     "--am-wave"};

std::string UnknownOption(std::string_view name) {
    return "unknown option " + std::string(name) + " (see --help)";
}

std::string Invalid(std::string_view option, std::string_view value, std::string_view expected) {
    return "invalid value '" + std::string(value) + "' for " + std::string(option) + ": " +
           std::string(expected);
}

// Applies one option with its value; an error text when the value is not acceptable.
std::string ApplyOption(std::string_view name, std::string_view value, RenderOptions& options) {
    if (name == "--settings") {
        if (value.empty()) {
            return Invalid(name, value, "expected a file name");
        }
        options.SettingsFile = std::filesystem::path(std::string(value));
    } else if (name == "--slot") {
        const auto slot = WholeNumber<std::int32_t>(value);
        if (!slot || *slot < 0 || *slot > 9) {
            return Invalid(name, value, "expected a memory slot 0 to 9");
        }
        options.Slot = *slot;
    } else if (name == "--seconds") {
        const auto seconds = WholeDecimal(value);
        if (!seconds || *seconds < 0.0) {
            return Invalid(name, value, "expected a length in seconds, 0 or more");
        }
        options.Seconds = *seconds;
    } else if (name == "--start") {
        const auto start = WholeDecimal(value);
        if (!start || *start < 0.0) {
            return Invalid(name, value, "expected a time in seconds, 0 or more");
        }
        options.Start = *start;
    } else if (name == "--rate") {
        const auto rate = WholeNumber<std::int32_t>(value);
        if (!rate || *rate <= 0) {
            return Invalid(name, value, "expected a sample rate in Hz above 0");
        }
        options.SampleRate = rate;
    } else if (name == "--bits") {
        const auto bits = WholeNumber<std::int32_t>(value);
        if (!bits || (*bits != 8 && *bits != 16 && *bits != 24 && *bits != 32)) {
            return Invalid(name, value, "expected 8, 16, 24 or 32");
        }
        options.Resolution = bits;
    } else if (name == "--mask") {
        const auto mask = WholeNumber<std::uint32_t>(value, true);
        if (!mask || *mask > static_cast<std::uint32_t>(std::numeric_limits<std::int32_t>::max())) {
            return Invalid(name, value, "expected a speaker mask, decimal or 0x-hexadecimal");
        }
        options.ChannelMask = static_cast<std::int32_t>(*mask);
    } else if (name == "--buffer") {
        const auto milliseconds = WholeNumber<std::int32_t>(value);
        if (!milliseconds || *milliseconds <= 0) {
            return Invalid(name, value, "expected a buffer length in milliseconds above 0");
        }
        options.BufferLength = milliseconds;
    } else if (name == "--wave" || name == "--am-wave") {
        const auto wave = WaveFileArgument(value, name == "--wave" ? 0 : 2);
        if (!wave) {
            return Invalid(name, value, "expected CHANNEL:FILE with a channel 0 to 7");
        }
        options.WaveFiles.push_back(*wave);
    } else {
        return UnknownOption(name);
    }
    return {};
}

}  // namespace

ParsedOptions ParseRenderOptions(const std::vector<std::string_view>& args) {
    ParsedOptions parsed;
    RenderOptions& options = parsed.Options;
    ArgumentReader reader(args);
    bool outputSeen = false;
    bool slotSeen = false;
    bool optionsEnded = false;
    while (!reader.AtEnd()) {
        const std::string_view argument = reader.Next();
        const bool isOption = !optionsEnded && argument.size() > 1 && argument.front() == '-';
        if (!isOption) {
            if (outputSeen) {
                parsed.Error = "more than one output file given: '" + std::string(argument) + "'";
                return parsed;
            }
            options.Output = std::string(argument);
            outputSeen = true;
            continue;
        }
        if (argument == "--") {
            optionsEnded = true;
            continue;
        }
        if (argument == "--help" || argument == "-h") {
            options.Help = true;
            return parsed;
        }
        if (argument == "--soft") {
            options.SoftTransitions = true;
            continue;
        }
        if (argument == "--version") {
            options.Version = true;
            return parsed;
        }
        std::string_view name = argument;
        std::optional<std::string_view> inlineValue;
        if (const std::size_t equals = argument.find('='); equals != std::string_view::npos) {
            name = argument.substr(0, equals);
            inlineValue = argument.substr(equals + 1);
        }
        if (std::ranges::find(OptionsWithValue, name) == std::end(OptionsWithValue)) {
            parsed.Error = UnknownOption(name);
            return parsed;
        }
        const auto value = reader.ValueOf(name, inlineValue);
        if (!value) {
            parsed.Error = reader.Error();
            return parsed;
        }
        parsed.Error = ApplyOption(name, *value, options);
        if (!parsed.Error.empty()) {
            return parsed;
        }
        slotSeen = slotSeen || name == "--slot";
    }
    if (!slotSeen) {
        parsed.Error = "missing --slot N (the memory slot to render, 0 to 9)";
    } else if (!outputSeen) {
        parsed.Error = "missing output file (a path, or - for standard output)";
    }
    return parsed;
}

std::string RenderUsage() {
    return R"(Usage: tonquelle-render [OPTIONS] --slot N OUT.wav

Renders memory slot N of Tonquelle's settings file to a WAV file (WAVE_FORMAT_EXTENSIBLE,
integer PCM) exactly as the generator plays it: output channel k plays the slot's channel k.
OUT.wav may be - for standard output.

Options:
  --settings FILE   settings file to read; a file given here must exist. Default: the
                    program's tonquelle.ini, found as Tonquelle keeps it: in
                    $XDG_CONFIG_HOME/tonquelle/ (~/.config/tonquelle/) when this tool is
                    installed in a folder named bin, else beside this tool (unless that
                    folder takes no files); without it the program's defaults apply.
  --slot N          memory slot 0 to 9 (required)
  --seconds S       length in seconds, 0 or more, rounded to whole frames (default 10)
  --start S         begin S seconds into the time base, rounded to whole frames: the same
                    samples as that stretch of a render from 0 (default 0)
  --rate HZ         sample rate in Hz (default: the settings file's SampleRate)
  --bits B          resolution 8, 16, 24 or 32 (default: the settings file's Resolution)
  --mask M          speaker mask, decimal or 0x-hexadecimal, 1 to 8 of the 18 speaker bits
                    (default: the settings file's ChannelMask)
  --buffer MS       buffer length in milliseconds (default: the settings file's BufferLength);
                    the samples do not depend on it
  --wave CH:FILE    user waveform for channel CH's carrier ("Datei"), one number per line
  --am-wave CH:FILE user waveform for channel CH's amplitude modulation
  --soft            soft transitions on (default: the settings file's SoftTransitions): the
                    slot fades in over its first 10 ms, as when it is loaded into a running
                    generator with "Weiche Übergänge" on
  -h, --help        show this text
  --version         show the version

The slot's channels play with every setting the program has: the signal's and the amplitude
modulation's waveforms 0 Sinus, 1 Dreieck, 2 Sägezahn fallend, 3 Sägezahn steigend, 4 Rechteck
(DutyCycle percent of each period at +1, default 50), 5 Datei, 6 Rauschen (weiß) and
7 Rauschen (rosa); the frequency modulation's 0 to 5. A noise depends only on the channel and
the frame, so --start, --buffer and live playback give the same samples; as amplitude
modulation it moves the amplitude randomly between AMMinAmp and AMMaxAmp (AMFrequency unused).
Flags bit 8 (with FM, bit 2) sweeps logarithmically: the frequency is
FMMinFreq · (FMMaxFreq / FMMinFreq)^((w + 1) / 2) for the FM shape's value w, while both limits
are above 0 Hz (else linearly); FM shape 3 then repeats the exponential sweep from FMMinFreq to
FMMaxFreq every 1/FMFrequency s, phase-locked to the time base at any --start.

A waveform file with lines that are not numbers renders all the same (each such line as 0) after
one warning line on standard error.

Exit status: 0 on success, 2 on any error (one line on standard error; no output file is left).
)";
}

}  // namespace tonquelle
