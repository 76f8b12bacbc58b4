#include "settings/SettingsStore.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <string>
#include <tuple>

#include "tests/settings/TemporaryFolder.h"

namespace tonquelle {
namespace {

const std::string DefaultChannelKeys =
    "Flags = 1\r\nWaveform = 0\r\nPhaseShift = 0\r\nFrequency = 440\r\nFMWaveform = 0\r\n"
    "FMFrequency = 1\r\nFMMinFreq = 440\r\nFMMaxFreq = 880\r\n"
    "Amplitude = 0.1000000000000000055511151231257827021181583404541015625\r\n"
    "AMWaveform = 0\r\nAMFrequency = 1\r\n"
    "AMMinAmp = 0.001000000000000000020816681711721685132943093776702880859375\r\n"
    "AMMaxAmp = 0.1000000000000000055511151231257827021181583404541015625\r\n"
    "DutyCycle = 50\r\n";

// The first groups of the file written for the defaults, byte for byte.
const std::string DefaultFileStart =
    "\xEF\xBB\xBF\r\n[OutputDevice]\r\nOutputDevice = -1\r\nSampleRate = 44100\r\n"
    "Resolution = 16\r\nBufferLength = 250\r\nChannelMask = 3\r\nSoftTransitions = 0\r\n"
    "OutputDeviceName = \r\n\r\n[Memory0]\r\nName = Unbenannt\r\n\r\n[Memory0Channel0]\r\n" +
    DefaultChannelKeys + "\r\n[Memory0Channel1]\r\n";

// Whatever the records held, a missing file or one without any of the program's groups and keys
// loads as the defaults, which save to the default file; that loads and saves to the same bytes.
TEST(SettingsStore, MissingValuesTakeTheirDefaultsWhichAreSavedByteForByte) {
    testing::TemporaryFolder folder;
    OutputConfig config;
    MemorySlots slots;
    const std::string foreign = "; hand-edited\n[Extra]\nA=1\n[Memory3]\nB=2\n";
    testing::WriteBytes(folder / "foreign.ini", foreign);
    std::string expected = DefaultFileStart.substr(0, DefaultFileStart.find("\r\n[Memory0]"));
    for (int s = 0; s < 10; ++s) {
        const std::string slot = "Memory" + std::to_string(s);
        expected += "\r\n[" + slot + "]\r\nName = Unbenannt\r\n";
        for (int c = 0; c < 8; ++c) {
            expected +=
                "\r\n[" + slot + "Channel" + std::to_string(c) + "]\r\n" + DefaultChannelKeys;
        }
    }
    for (const char* source : {"none.ini", "foreign.ini", "tonquelle.ini"}) {
        config.SampleRate = 1;
        slots[3].Name = "left over";
        slots[3].Channels[2].Frequency = 1.0;
        LoadSettings(folder / source, config, slots);
        ASSERT_TRUE(SaveSettings(folder / "tonquelle.ini", config, slots));
        const std::string text = testing::ReadBytes(folder / "tonquelle.ini");
        EXPECT_EQ(text.substr(0, DefaultFileStart.size()), DefaultFileStart);
        EXPECT_EQ(std::count(text.begin(), text.end(), '['), 91);  // only headers hold a '['
        EXPECT_EQ(text, expected);
    }
    EXPECT_EQ(folder.FileNames(), (std::vector<std::string>{"foreign.ini", "tonquelle.ini"}));
    EXPECT_EQ(testing::ReadBytes(folder / "foreign.ini"),
              foreign);  // loading never rewrites a file
}

// Every double is saved with all its digits as the C library's "%.64g" writes it, the special
// values as words, and loads back to the same bits.
TEST(SettingsStore, AwkwardValuesAreSavedWithAllTheirDigitsAndComeBackBitForBit) {
    constexpr double Tiny = std::numeric_limits<double>::denorm_min();
    const double awkward[] = {
        1.0 / 3,  2e200 / 3,      1e-300,  1e22,        1e23,           1e63,    1e64,
        1e65,     9.999999e-5,    -1e-310, 123456789.0, 1.5e-5,         -2.75,   1e300,
        0.0001,   -1.23456789e-5, -0.0,    Tiny,        DBL_MIN - Tiny, DBL_MIN, DBL_MAX,
        INFINITY, -INFINITY,      NAN,     0.1 + 0.2};
    const std::int32_t integers[] = {INT32_MIN, INT32_MAX, -1, 0, 7};
    using C = ChannelSettings;
    const auto doubleFields = {&C::PhaseShift,  &C::Frequency, &C::FMFrequency,
                               &C::FMMinFreq,   &C::FMMaxFreq, &C::Amplitude,
                               &C::AMFrequency, &C::AMMinAmp,  &C::AMMaxAmp};
    const auto integerFields = {&C::Flags, &C::Waveform, &C::FMWaveform, &C::AMWaveform};
    const OutputConfig config{7, 192000, 24, 20, 0x3F, 0, 1, "Lautsprecher (USB-Gerät) = ; [x]"};
    MemorySlots slots, loaded;
    std::size_t n = 0;
    for (MemorySlot& slot : slots) {
        slot.Name = "Slot \u00E4 = ; [x] " + std::to_string(n);
        for (ChannelSettings& channel : slot.Channels) {
            for (const auto field : doubleFields) {
                channel.*field = awkward[n++ % std::size(awkward)];
            }
            for (const auto field : integerFields) {
                channel.*field = integers[n++ % std::size(integers)];
            }
        }
    }
    testing::TemporaryFolder folder;
    ASSERT_TRUE(SaveSettings(folder / "tonquelle.ini", config, slots));
    const std::string text = testing::ReadBytes(folder / "tonquelle.ini");
    for (const double value : awkward) {
        char digits[128];
        std::snprintf(digits, sizeof digits, "%.64g", value);
        if (std::isfinite(value)) {
            EXPECT_NE(text.find(" = " + std::string(digits) + "\r\n"), std::string::npos) << digits;
        }
    }
    for (const char* word : {" = -0\r\n", " = +Infinity\r\n", " = -Infinity\r\n", " = NaN\r\n"}) {
        EXPECT_NE(text.find(word), std::string::npos) << word;
    }
    OutputConfig loadedConfig;
    LoadSettings(folder / "tonquelle.ini", loadedConfig, loaded);
    const auto stored = [](const OutputConfig& c) {  // ChannelCount is not stored
        return std::tuple(c.OutputDevice, c.SampleRate, c.Resolution, c.BufferLength, c.ChannelMask,
                          c.SoftTransitions, c.OutputDeviceName);
    };
    EXPECT_EQ(stored(loadedConfig), stored(config));
    const auto bits = [](double value) { return std::bit_cast<std::uint64_t>(value); };
    for (std::size_t s = 0; s < slots.size(); ++s) {
        EXPECT_EQ(loaded[s].Name, slots[s].Name);
        for (std::size_t c = 0; c < MaxChannels; ++c) {
            const ChannelSettings &saved = slots[s].Channels[c], &read = loaded[s].Channels[c];
            EXPECT_TRUE(
                std::ranges::all_of(doubleFields,
                                    [&](auto f) { return bits(saved.*f) == bits(read.*f); }) &&
                std::ranges::all_of(integerFields, [&](auto f) { return saved.*f == read.*f; }))
                << "slot " << s << ", channel " << c;
        }
    }
}

// "SoftTransitions" came after the first release: a file without it (as older versions wrote
// it) loads with the option off and everything else as before; the file written back holds the
// key after the five older ones. Any value but 0 switches it on.
TEST(SettingsStore, SoftTransitionsAreOffUnlessTheFileSwitchesThemOn) {
    testing::TemporaryFolder folder;
    const std::string olderFile =
        "[OutputDevice]\r\nOutputDevice = 2\r\nSampleRate = 48000\r\nResolution = 24\r\n"
        "BufferLength = 100\r\nChannelMask = 51\r\n\r\n[Memory4]\r\nName = Alt\r\n";
    const std::pair<std::string, std::int32_t> cases[] = {
        {olderFile, 0},
        {"[OutputDevice]\nSoftTransitions = 1\n", 1},
        {"[OutputDevice]\nSoftTransitions = 0\n", 0},
        {"[OutputDevice]\nSoftTransitions = -3\n", 1},
        {"[OutputDevice]\nSoftTransitions = ja\n", 0},  // not a number: the default
    };
    for (const auto& [text, expected] : cases) {
        SCOPED_TRACE(text);
        testing::WriteBytes(folder / "tonquelle.ini", text);
        OutputConfig config;
        config.SoftTransitions = 7;
        MemorySlots slots;
        LoadSettings(folder / "tonquelle.ini", config, slots);
        EXPECT_EQ(config.SoftTransitions, expected);
        if (text == olderFile) {
            EXPECT_EQ(config.OutputDevice, 2);
            EXPECT_EQ(config.SampleRate, 48000);
            EXPECT_EQ(config.Resolution, 24);
            EXPECT_EQ(config.BufferLength, 100);
            EXPECT_EQ(config.ChannelMask, 51);
            EXPECT_EQ(slots[4].Name, "Alt");
        }
        ASSERT_TRUE(SaveSettings(folder / "tonquelle.ini", config, slots));
        const std::string written = testing::ReadBytes(folder / "tonquelle.ini");
        EXPECT_NE(written.find("ChannelMask = " + std::to_string(config.ChannelMask) +
                               "\r\nSoftTransitions = " + std::to_string(expected) +
                               "\r\nOutputDeviceName = \r\n\r\n[Memory0]"),
                  std::string::npos);
    }
}

// "OutputDeviceName" came later still: a file without it loads with no name (the device is
// found by its number, as before) and the number unchanged; the name is written after the
// integer keys and comes back as it was, blanks around it aside.
TEST(SettingsStore, TheDevicesNameIsKeptBesideItsNumber) {
    testing::TemporaryFolder folder;
    const std::pair<std::string, std::string> cases[] = {
        {"[OutputDevice]\r\nOutputDevice = 3\r\nSoftTransitions = 1\r\n", ""},
        {"[OutputDevice]\nOutputDevice = 3\nOutputDeviceName = Lautsprecher (2- USB Audio)\n",
         "Lautsprecher (2- USB Audio)"},
        {"[OutputDevice]\nOutputDevice = 3\noutputdevicename =  \tNull Output (2) \n",
         "Null Output (2)"},
    };
    for (const auto& [text, name] : cases) {
        SCOPED_TRACE(text);
        testing::WriteBytes(folder / "tonquelle.ini", text);
        OutputConfig config;
        config.OutputDeviceName = "left over";
        MemorySlots slots;
        LoadSettings(folder / "tonquelle.ini", config, slots);
        EXPECT_EQ(config.OutputDevice, 3);
        EXPECT_EQ(config.OutputDeviceName, name);
        ASSERT_TRUE(SaveSettings(folder / "tonquelle.ini", config, slots));
        EXPECT_NE(testing::ReadBytes(folder / "tonquelle.ini")
                      .find("\r\nOutputDeviceName = " + name + "\r\n\r\n[Memory0]"),
                  std::string::npos);
    }
}

// "DutyCycle" came with the noise shapes: a channel group written before it (here a square and a
// channel whose waveforms are indices an older program did not know) loads every older key as it
// was and the square at 50 %; written back, the group is the older text with the one new line.
TEST(SettingsStore, ChannelsWithoutADutyCycleLoadAsHalfPeriodSquares) {
    testing::TemporaryFolder folder;
    const std::string olderKeys =
        "Flags = 0\r\nWaveform = 4\r\nPhaseShift = 0.5\r\nFrequency = 1000\r\n"
        "FMWaveform = 7\r\nFMFrequency = 2\r\nFMMinFreq = 20\r\nFMMaxFreq = 20000\r\n"
        "Amplitude = 0.5\r\nAMWaveform = 6\r\nAMFrequency = 3\r\nAMMinAmp = 0.25\r\n"
        "AMMaxAmp = 0.75\r\n";
    testing::WriteBytes(folder / "older.ini", "[Memory2Channel5]\r\n" + olderKeys);
    OutputConfig config;
    MemorySlots slots;
    slots[2].Channels[5].DutyCycle = 12.0;  // left over: loading replaces it
    LoadSettings(folder / "older.ini", config, slots);
    const ChannelSettings expected{.Flags = 0,
                                   .Waveform = WaveformIndex::Square,
                                   .PhaseShift = 0.5,
                                   .Frequency = 1000.0,
                                   .FMWaveform = WaveformIndex::PinkNoise,
                                   .FMFrequency = 2.0,
                                   .FMMinFreq = 20.0,
                                   .FMMaxFreq = 20000.0,
                                   .Amplitude = 0.5,
                                   .AMWaveform = WaveformIndex::WhiteNoise,
                                   .AMFrequency = 3.0,
                                   .AMMinAmp = 0.25,
                                   .AMMaxAmp = 0.75,
                                   .DutyCycle = 50.0};
    EXPECT_EQ(slots[2].Channels[5], expected);
    ASSERT_TRUE(SaveSettings(folder / "tonquelle.ini", config, slots));
    const std::string written = testing::ReadBytes(folder / "tonquelle.ini");
    EXPECT_NE(written.find("[Memory2Channel5]\r\n" + olderKeys + "DutyCycle = 50\r\n\r\n"),
              std::string::npos);
}

// A stored duty cycle comes back as it was, from 0 to 100 and beyond.
TEST(SettingsStore, DutyCyclesComeBackAsSaved) {
    testing::TemporaryFolder folder;
    OutputConfig config;
    MemorySlots slots;
    const double cycles[] = {0.0, 25.0, 100.0, 33.3, -1.0, 250.0};
    for (std::int32_t c = 0; c < 6; ++c) {
        slots[7].Channels[c].DutyCycle = cycles[c];
    }
    ASSERT_TRUE(SaveSettings(folder / "tonquelle.ini", config, slots));
    MemorySlots loaded;
    LoadSettings(folder / "tonquelle.ini", config, loaded);
    for (std::int32_t c = 0; c < 6; ++c) {
        EXPECT_EQ(loaded[7].Channels[c].DutyCycle, cycles[c]);
    }
}

// The logarithmic sweep is bit 8 of "Flags" (no key of its own): an older channel with FM
// (Flags = 2) loads with a linear sweep, a logarithmic one (Flags = 10) loads with FlagFMLog and
// both are written back with the numbers they had.
TEST(SettingsStore, TheLogarithmicSweepIsBitEightOfFlags) {
    testing::TemporaryFolder folder;
    testing::WriteBytes(folder / "sweeps.ini",
                        "[Memory1Channel0]\r\nFlags = 2\r\n[Memory1Channel1]\r\nFlags = 10\r\n");
    OutputConfig config;
    MemorySlots slots;
    LoadSettings(folder / "sweeps.ini", config, slots);
    EXPECT_EQ(slots[1].Channels[0].Flags, FlagFM);
    EXPECT_EQ(slots[1].Channels[1].Flags, FlagFM | FlagFMLog);
    ASSERT_TRUE(SaveSettings(folder / "tonquelle.ini", config, slots));
    const std::string written = testing::ReadBytes(folder / "tonquelle.ini");
    EXPECT_NE(written.find("[Memory1Channel0]\r\nFlags = 2\r\n"), std::string::npos);
    EXPECT_NE(written.find("[Memory1Channel1]\r\nFlags = 10\r\n"), std::string::npos);
}

}  // namespace
}  // namespace tonquelle
