#include "settings/SettingsStore.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "tests/settings/TemporaryFolder.h"

namespace tonquelle {
namespace {

using testing::ReadBytes;
using testing::TemporaryFolder;
using testing::WriteBytes;

constexpr double Infinity = std::numeric_limits<double>::infinity();

const std::string DefaultChannelKeys =
    "Flags = 1\r\n"
    "Waveform = 0\r\n"
    "PhaseShift = 0\r\n"
    "Frequency = 440\r\n"
    "FMWaveform = 0\r\n"
    "FMFrequency = 1\r\n"
    "FMMinFreq = 440\r\n"
    "FMMaxFreq = 880\r\n"
    "Amplitude = 0.1000000000000000055511151231257827021181583404541015625\r\n"
    "AMWaveform = 0\r\n"
    "AMFrequency = 1\r\n"
    "AMMinAmp = 0.001000000000000000020816681711721685132943093776702880859375\r\n"
    "AMMaxAmp = 0.1000000000000000055511151231257827021181583404541015625\r\n";

const std::string DefaultFileStart =
    "\xEF\xBB\xBF\r\n"
    "[OutputDevice]\r\n"
    "OutputDevice = -1\r\n"
    "SampleRate = 44100\r\n"
    "Resolution = 16\r\n"
    "BufferLength = 250\r\n"
    "ChannelMask = 3\r\n"
    "\r\n"
    "[Memory0]\r\n"
    "Name = Unbenannt\r\n"
    "\r\n"
    "[Memory0Channel0]\r\n" +
    DefaultChannelKeys +
    "\r\n"
    "[Memory0Channel1]\r\n";

std::vector<std::string> GroupHeaders(const std::string& text) {
    std::vector<std::string> headers;
    std::size_t start = 0;
    while ((start = text.find("\r\n[", start)) != std::string::npos) {
        const std::size_t end = text.find("]\r\n", start);
        headers.push_back(text.substr(start + 3, end - start - 3));
        start = end;
    }
    return headers;
}

void ExpectDefaults(const OutputConfig& config, const MemorySlots& slots) {
    EXPECT_EQ(config.OutputDevice, -1);
    EXPECT_EQ(config.SampleRate, 44100);
    EXPECT_EQ(config.Resolution, 16);
    EXPECT_EQ(config.BufferLength, 250);
    EXPECT_EQ(config.ChannelMask, 3);
    for (const MemorySlot& slot : slots) {
        EXPECT_EQ(slot.Name, "Unbenannt");
        for (const ChannelSettings& channel : slot.Channels) {
            EXPECT_EQ(channel, ChannelSettings{});
        }
    }
}

TEST(SettingsStore, WithoutAFileEverythingTakesItsDefault) {
    TemporaryFolder folder;
    OutputConfig config;
    MemorySlots slots;
    slots[3].Name = "left over";
    slots[3].Channels[2].Frequency = 1.0;
    LoadSettings(folder / "tonquelle.ini", config, slots);
    ExpectDefaults(config, slots);
    EXPECT_TRUE(folder.FileNames().empty());
}

TEST(SettingsStore, TheDefaultFileByteForByte) {
    TemporaryFolder folder;
    OutputConfig config;
    MemorySlots slots;
    LoadSettings(folder / "tonquelle.ini", config, slots);
    ASSERT_TRUE(SaveSettings(folder / "tonquelle.ini", config, slots));
    const std::string text = ReadBytes(folder / "tonquelle.ini");
    ASSERT_EQ(text.substr(0, DefaultFileStart.size()), DefaultFileStart);

    std::vector<std::string> expectedHeaders{"OutputDevice"};
    std::string expectedText = DefaultFileStart.substr(0, DefaultFileStart.find("\r\n[Memory0]"));
    for (int s = 0; s < 10; ++s) {
        expectedHeaders.push_back("Memory" + std::to_string(s));
        expectedText += "\r\n[Memory" + std::to_string(s) + "]\r\nName = Unbenannt\r\n";
        for (int c = 0; c < 8; ++c) {
            expectedHeaders.push_back("Memory" + std::to_string(s) + "Channel" + std::to_string(c));
            expectedText += "\r\n[" + expectedHeaders.back() + "]\r\n" + DefaultChannelKeys;
        }
    }
    EXPECT_EQ(GroupHeaders(text).size(), 91u);
    EXPECT_EQ(GroupHeaders(text), expectedHeaders);
    EXPECT_EQ(text, expectedText);

    OutputConfig reloadedConfig;
    MemorySlots reloadedSlots;
    LoadSettings(folder / "tonquelle.ini", reloadedConfig, reloadedSlots);
    ExpectDefaults(reloadedConfig, reloadedSlots);
}

std::uint64_t Bits(double value) {
    return std::bit_cast<std::uint64_t>(value);
}

TEST(SettingsStore, AwkwardValuesComeBackBitForBit) {
    const double awkward[] = {
        1.0 / 3,
        1e-300,
        std::numeric_limits<double>::denorm_min(),
        std::numeric_limits<double>::min() - std::numeric_limits<double>::denorm_min(),
        std::numeric_limits<double>::min(),
        std::numeric_limits<double>::max(),
        -0.0,
        Infinity,
        -Infinity,
        std::numeric_limits<double>::quiet_NaN(),
        0.1 + 0.2,
        -123456.789e-10,
        2.0 / 3 * 1e200};
    const std::int32_t integers[] = {std::numeric_limits<std::int32_t>::min(),
                                     std::numeric_limits<std::int32_t>::max(), -1, 0, 7};
    OutputConfig config{7, 192000, 24, 20, 0x3F, 6};
    MemorySlots slots;
    int n = 0;
    for (MemorySlot& slot : slots) {
        slot.Name = "Slot \xC3\xA4 = ; [x] " + std::to_string(n);
        for (ChannelSettings& channel : slot.Channels) {
            for (double* field : {&channel.PhaseShift, &channel.Frequency, &channel.FMFrequency,
                                  &channel.FMMinFreq, &channel.FMMaxFreq, &channel.Amplitude,
                                  &channel.AMFrequency, &channel.AMMinAmp, &channel.AMMaxAmp}) {
                *field = awkward[n++ % std::size(awkward)];
            }
            for (std::int32_t* field :
                 {&channel.Flags, &channel.Waveform, &channel.FMWaveform, &channel.AMWaveform}) {
                *field = integers[n++ % std::size(integers)];
            }
        }
    }
    TemporaryFolder folder;
    ASSERT_TRUE(SaveSettings(folder / "tonquelle.ini", config, slots));
    OutputConfig loadedConfig;
    MemorySlots loaded;
    LoadSettings(folder / "tonquelle.ini", loadedConfig, loaded);

    EXPECT_EQ(loadedConfig.OutputDevice, 7);
    EXPECT_EQ(loadedConfig.SampleRate, 192000);
    EXPECT_EQ(loadedConfig.Resolution, 24);
    EXPECT_EQ(loadedConfig.BufferLength, 20);
    EXPECT_EQ(loadedConfig.ChannelMask, 0x3F);
    for (std::size_t s = 0; s < slots.size(); ++s) {
        EXPECT_EQ(loaded[s].Name, slots[s].Name);
        for (std::size_t c = 0; c < slots[s].Channels.size(); ++c) {
            const ChannelSettings& a = slots[s].Channels[c];
            const ChannelSettings& b = loaded[s].Channels[c];
            EXPECT_EQ(a.Flags, b.Flags);
            EXPECT_EQ(a.Waveform, b.Waveform);
            EXPECT_EQ(a.FMWaveform, b.FMWaveform);
            EXPECT_EQ(a.AMWaveform, b.AMWaveform);
            EXPECT_EQ(Bits(a.PhaseShift), Bits(b.PhaseShift));
            EXPECT_EQ(Bits(a.Frequency), Bits(b.Frequency));
            EXPECT_EQ(Bits(a.FMFrequency), Bits(b.FMFrequency));
            EXPECT_EQ(Bits(a.FMMinFreq), Bits(b.FMMinFreq));
            EXPECT_EQ(Bits(a.FMMaxFreq), Bits(b.FMMaxFreq));
            EXPECT_EQ(Bits(a.Amplitude), Bits(b.Amplitude));
            EXPECT_EQ(Bits(a.AMFrequency), Bits(b.AMFrequency));
            EXPECT_EQ(Bits(a.AMMinAmp), Bits(b.AMMinAmp));
            EXPECT_EQ(Bits(a.AMMaxAmp), Bits(b.AMMaxAmp));
        }
    }
}

TEST(SettingsStore, AFileWithOnlyTheOutputGroupRestoresItAndDefaultsTheSlots) {
    TemporaryFolder folder;
    WriteBytes(folder / "tonquelle.ini",
               "[outputdevice]\nsamplerate = 48000\nOutputDevice=2\nResolution=abc\n");
    OutputConfig config;
    MemorySlots slots;
    LoadSettings(folder / "tonquelle.ini", config, slots);
    EXPECT_EQ(config.OutputDevice, 2);
    EXPECT_EQ(config.SampleRate, 48000);
    EXPECT_EQ(config.Resolution, 0);  // malformed: 0, not the default
    EXPECT_EQ(config.BufferLength, 250);
    EXPECT_EQ(config.ChannelMask, 3);
    EXPECT_EQ(slots[0].Name, "Unbenannt");
    EXPECT_EQ(slots[9].Channels[7], ChannelSettings{});
}

TEST(SettingsStore, SlotNamesAndPartialChannels) {
    TemporaryFolder folder;
    WriteBytes(folder / "tonquelle.ini",
               "[Memory0]\nName=\n[Memory1]\nName = \t Bass test \t\n[Memory9]\nName=Last\n"
               "[Memory9Channel7]\nFrequency=1e-3\nFlags=6\nAmplitude=nan\nWaveform=x\n");
    OutputConfig config;
    MemorySlots slots;
    LoadSettings(folder / "tonquelle.ini", config, slots);
    EXPECT_EQ(slots[0].Name, "");  // explicitly empty, not the default
    EXPECT_EQ(slots[1].Name, "Bass test");
    EXPECT_EQ(slots[2].Name, "Unbenannt");
    EXPECT_EQ(slots[9].Name, "Last");
    const ChannelSettings& channel = slots[9].Channels[7];
    EXPECT_EQ(channel.Frequency, 0.001);
    EXPECT_EQ(channel.Flags, 6);
    EXPECT_TRUE(std::isnan(channel.Amplitude));
    EXPECT_EQ(channel.Waveform, 0);
    EXPECT_EQ(channel.FMMaxFreq, 880.0);
    EXPECT_EQ(slots[9].Channels[6], ChannelSettings{});
}

TEST(SettingsStore, SavingRewritesTheWholeLayoutAndDropsForeignContent) {
    TemporaryFolder folder;
    OutputConfig config;
    MemorySlots slots;
    LoadSettings(folder / "none.ini", config, slots);
    ASSERT_TRUE(SaveSettings(folder / "clean.ini", config, slots));

    WriteBytes(folder / "tonquelle.ini",
               "; hand-edited\n[Extra]\nA=1\n[memory3channel2]\nflags=1\nUnknown=2\n");
    OutputConfig loadedConfig;
    MemorySlots loaded;
    LoadSettings(folder / "tonquelle.ini", loadedConfig, loaded);
    ASSERT_TRUE(SaveSettings(folder / "tonquelle.ini", loadedConfig, loaded));
    EXPECT_EQ(ReadBytes(folder / "tonquelle.ini"), ReadBytes(folder / "clean.ini"));
}

TEST(SettingsStore, SavingWhereNoFileCanBeMadeFails) {
    TemporaryFolder folder;
    OutputConfig config;
    MemorySlots slots;
    EXPECT_FALSE(SaveSettings(folder / "missing" / "tonquelle.ini", config, slots));
    EXPECT_TRUE(folder.FileNames().empty());
}

}  // namespace
}  // namespace tonquelle
