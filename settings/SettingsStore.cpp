#include "settings/SettingsStore.h"

#include <string_view>
#include <variant>

#include "settings/SettingsFile.h"

namespace tonquelle {

namespace {

// The stored fields of OutputConfig, in file order, with the values of a first start.
struct OutputKey {
    std::string_view Name;
    std::int32_t OutputConfig::*Field;
    std::int32_t Default;
};
constexpr std::array<OutputKey, 6> OutputKeys{{
    {"OutputDevice", &OutputConfig::OutputDevice, -1},
    {"SampleRate", &OutputConfig::SampleRate, 44100},
    {"Resolution", &OutputConfig::Resolution, 16},
    {"BufferLength", &OutputConfig::BufferLength, 250},
    {"ChannelMask", &OutputConfig::ChannelMask, 3},
    // Added after the first release: older files lack it (off), older programs skip it.
    {"SoftTransitions", &OutputConfig::SoftTransitions, 0},
}};

// Every ChannelSettings field under its own name, in file order. The defaults are the record's
// member initialisers.
struct ChannelKey {
    std::string_view Name;
    std::variant<std::int32_t ChannelSettings::*, double ChannelSettings::*> Field;
};
const std::array<ChannelKey, 14> ChannelKeys{{
    {"Flags", &ChannelSettings::Flags},
    {"Waveform", &ChannelSettings::Waveform},
    {"PhaseShift", &ChannelSettings::PhaseShift},
    {"Frequency", &ChannelSettings::Frequency},
    {"FMWaveform", &ChannelSettings::FMWaveform},
    {"FMFrequency", &ChannelSettings::FMFrequency},
    {"FMMinFreq", &ChannelSettings::FMMinFreq},
    {"FMMaxFreq", &ChannelSettings::FMMaxFreq},
    {"Amplitude", &ChannelSettings::Amplitude},
    {"AMWaveform", &ChannelSettings::AMWaveform},
    {"AMFrequency", &ChannelSettings::AMFrequency},
    {"AMMinAmp", &ChannelSettings::AMMinAmp},
    {"AMMaxAmp", &ChannelSettings::AMMaxAmp},
    // Added later: older files lack it (a square of 50 %), older programs skip it.
    {"DutyCycle", &ChannelSettings::DutyCycle},
}};

constexpr std::string_view OutputGroup = "OutputDevice";
// Added after the first release, after the integer keys: older files lack it (no name: the
// device is found by its number, as before), older programs skip it.
constexpr std::string_view DeviceNameKey = "OutputDeviceName";
constexpr std::string_view NameKey = "Name";
constexpr std::string_view DefaultSlotName = "Unbenannt";

std::string SlotGroup(std::int32_t slot) {
    return "Memory" + std::to_string(slot);
}

std::string ChannelGroup(std::int32_t slot, std::int32_t channel) {
    return SlotGroup(slot) + "Channel" + std::to_string(channel);
}

void ReadField(SettingsFile& file, std::string_view key, std::int32_t& value, std::int32_t def) {
    value = file.ReadInteger(key, def);
}
void ReadField(SettingsFile& file, std::string_view key, double& value, double def) {
    value = file.ReadDouble(key, def);
}
void WriteField(SettingsFile& file, std::string_view key, std::int32_t value) {
    file.WriteInteger(key, value);
}
void WriteField(SettingsFile& file, std::string_view key, double value) {
    file.WriteDouble(key, value);
}

void ReadChannel(SettingsFile& file, ChannelSettings& channel) {
    const ChannelSettings defaults;
    for (const ChannelKey& key : ChannelKeys) {
        std::visit([&](auto field) { ReadField(file, key.Name, channel.*field, defaults.*field); },
                   key.Field);
    }
}

void WriteChannel(SettingsFile& file, const ChannelSettings& channel) {
    for (const ChannelKey& key : ChannelKeys) {
        std::visit([&](auto field) { WriteField(file, key.Name, channel.*field); }, key.Field);
    }
}

}  // namespace

void LoadSettings(const std::filesystem::path& path, OutputConfig& config, MemorySlots& slots) {
    SettingsFile file;
    file.OpenForReading(path);  // a missing file leaves every value at its default
    file.SelectGroup(OutputGroup);
    for (const OutputKey& key : OutputKeys) {
        config.*key.Field = file.ReadInteger(key.Name, key.Default);
    }
    config.SoftTransitions = config.SoftTransitions != 0 ? 1 : 0;  // a switch: on or off
    config.OutputDeviceName = file.ReadString(DeviceNameKey, "");
    for (std::int32_t s = 0; s < MemorySlotCount; ++s) {
        file.SelectGroup(SlotGroup(s));
        slots[s].Name = file.ReadString(NameKey, DefaultSlotName);
        for (std::int32_t c = 0; c < MaxChannels; ++c) {
            file.SelectGroup(ChannelGroup(s, c));
            ReadChannel(file, slots[s].Channels[c]);
        }
    }
    file.Close();
}

bool SaveSettings(const std::filesystem::path& path, const OutputConfig& config,
                  const MemorySlots& slots) {
    SettingsFile file;
    if (!file.CreateForWriting(path)) {
        return false;
    }
    file.SelectGroup(OutputGroup);
    for (const OutputKey& key : OutputKeys) {
        file.WriteInteger(key.Name, config.*key.Field);
    }
    file.WriteString(DeviceNameKey, config.OutputDeviceName);
    for (std::int32_t s = 0; s < MemorySlotCount; ++s) {
        file.SelectGroup(SlotGroup(s));
        file.WriteString(NameKey, slots[s].Name);
        for (std::int32_t c = 0; c < MaxChannels; ++c) {
            file.SelectGroup(ChannelGroup(s, c));
            WriteChannel(file, slots[s].Channels[c]);
        }
    }
    file.Close();
    return !file.WriteBackFailed();
}

}  // namespace tonquelle
