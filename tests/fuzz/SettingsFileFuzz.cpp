// Feeds arbitrary bytes to the settings store as a file, then performs lookups and writes
// chosen by the rest of the input, writes the result back, and checks that whatever the
// program loads from any file survives a save and a reload unchanged.
#include <fuzzer/FuzzedDataProvider.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "settings/SettingsFile.h"
#include "settings/SettingsStore.h"

namespace tonquelle {
namespace {

// One folder per fuzzing process, in memory where the system offers it: every run writes files.
class ScratchFolder {
  public:
    ScratchFolder() {
        std::error_code error;
        const std::filesystem::path shm = "/dev/shm";
        const std::filesystem::path base = std::filesystem::is_directory(shm, error)
                                               ? shm
                                               : std::filesystem::temp_directory_path();
        path_ = base / ("tonquelle-fuzz-" + std::to_string(std::random_device()()));
        std::filesystem::create_directories(path_);
    }
    ~ScratchFolder() {
        std::error_code error;
        std::filesystem::remove_all(path_, error);
    }
    std::filesystem::path operator/(const char* name) const { return path_ / name; }

  private:
    std::filesystem::path path_;
};

const ScratchFolder& Scratch() {
    static const ScratchFolder folder;
    return folder;
}

void WriteBytes(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

bool SameDouble(double a, double b) {
    return (std::isnan(a) && std::isnan(b)) ||
           std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}

bool SameChannel(const ChannelSettings& a, const ChannelSettings& b) {
    return a.Flags == b.Flags && a.Waveform == b.Waveform && a.FMWaveform == b.FMWaveform &&
           a.AMWaveform == b.AMWaveform && SameDouble(a.PhaseShift, b.PhaseShift) &&
           SameDouble(a.Frequency, b.Frequency) && SameDouble(a.FMFrequency, b.FMFrequency) &&
           SameDouble(a.FMMinFreq, b.FMMinFreq) && SameDouble(a.FMMaxFreq, b.FMMaxFreq) &&
           SameDouble(a.Amplitude, b.Amplitude) && SameDouble(a.AMFrequency, b.AMFrequency) &&
           SameDouble(a.AMMinAmp, b.AMMinAmp) && SameDouble(a.AMMaxAmp, b.AMMaxAmp);
}

void ExerciseStore(FuzzedDataProvider& input, const std::filesystem::path& path) {
    SettingsFile store;
    store.OpenForReading(path);
    constexpr int MaxOperations = 64;
    for (int i = 0; i < MaxOperations && input.remaining_bytes() > 0; ++i) {
        const std::string name = input.ConsumeRandomLengthString(32);
        switch (input.ConsumeIntegralInRange(0, 6)) {
            case 0:
                store.SelectGroup(name);
                break;
            case 1:
                store.ReadInteger(name, 0);
                break;
            case 2:
                store.ReadDouble(name, 0.0);
                break;
            case 3:
                store.ReadString(name, "default");
                break;
            case 4:
                store.WriteInteger(name, input.ConsumeIntegral<std::int32_t>());
                break;
            case 5:
                store.WriteDouble(name, input.ConsumeFloatingPoint<double>());
                break;
            case 6:
                store.WriteString(name, input.ConsumeRandomLengthString(64));
                break;
        }
    }
    store.Close();
}

void CheckLoadSaveRoundTrip(const std::filesystem::path& path) {
    OutputConfig config;
    MemorySlots slots;
    LoadSettings(path, config, slots);
    const std::filesystem::path saved = Scratch() / "saved.ini";
    if (!SaveSettings(saved, config, slots)) {
        std::abort();
    }
    OutputConfig reloadedConfig;
    MemorySlots reloaded;
    LoadSettings(saved, reloadedConfig, reloaded);
    const bool sameConfig = config.OutputDevice == reloadedConfig.OutputDevice &&
                            config.SampleRate == reloadedConfig.SampleRate &&
                            config.Resolution == reloadedConfig.Resolution &&
                            config.BufferLength == reloadedConfig.BufferLength &&
                            config.ChannelMask == reloadedConfig.ChannelMask;
    if (!sameConfig) {
        std::abort();
    }
    for (std::size_t s = 0; s < slots.size(); ++s) {
        if (slots[s].Name != reloaded[s].Name) {
            std::abort();
        }
        for (std::size_t c = 0; c < slots[s].Channels.size(); ++c) {
            if (!SameChannel(slots[s].Channels[c], reloaded[s].Channels[c])) {
                std::abort();
            }
        }
    }
}

}  // namespace
}  // namespace tonquelle

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tonquelle;
    FuzzedDataProvider input(data, size);
    const std::filesystem::path path = Scratch() / "fuzz.ini";
    const std::string file = input.ConsumeRandomLengthString(size);
    WriteBytes(path, file);
    // The round trip reads and writes the whole layout and is slow under instrumentation: the
    // input chooses whether to take it.
    if (input.ConsumeBool()) {
        CheckLoadSaveRoundTrip(path);
    }
    ExerciseStore(input, path);
    return 0;
}
