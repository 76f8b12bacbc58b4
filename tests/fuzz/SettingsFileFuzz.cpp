// Feeds arbitrary bytes to the settings store as a file, then performs lookups and writes
// chosen by the rest of the input, writes the result back, and checks that whatever the
// program loads from any file survives a save and a reload unchanged.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>

#include "settings/SettingsFile.h"
#include "settings/SettingsStore.h"
#include "tests/settings/TemporaryFolder.h"

namespace tonquelle {
namespace {

// One folder per fuzzing process, in memory where the system offers it: every run writes files.
const testing::TemporaryFolder Scratch(std::filesystem::is_directory("/dev/shm")
                                           ? "/dev/shm"
                                           : std::filesystem::temp_directory_path());

std::string LoadAndSave(const std::filesystem::path& from, const std::filesystem::path& to) {
    OutputConfig config;
    MemorySlots slots;
    LoadSettings(from, config, slots);
    if (!SaveSettings(to, config, slots)) {
        std::abort();
    }
    return testing::ReadBytes(to);
}

}  // namespace
}  // namespace tonquelle

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tonquelle;
    FuzzedDataProvider input(data, size);
    const std::filesystem::path path = Scratch / "fuzz.ini";
    testing::WriteBytes(path, input.ConsumeRandomLengthString(size));
    // The round trip reads and writes the whole layout and is slow under instrumentation: the
    // input chooses whether to take it. Every value is saved with all its digits, so the second
    // save equals the first exactly when the reload gave back every value (any NaN reads "NaN").
    if (input.ConsumeBool() && LoadAndSave(path, Scratch / "saved.ini") !=
                                   LoadAndSave(Scratch / "saved.ini", Scratch / "again.ini")) {
        std::abort();
    }
    SettingsFile store;  // lookups and writes chosen by the rest of the input, then the write-back
    store.OpenForReading(path);
    std::string name;
    const std::function<void()> operations[] = {
        [&] { store.SelectGroup(name); },
        [&] { store.ReadInteger(name, 0); },
        [&] { store.ReadDouble(name, 0.0); },
        [&] { store.ReadString(name, "default"); },
        [&] { store.WriteInteger(name, input.ConsumeIntegral<std::int32_t>()); },
        [&] { store.WriteDouble(name, input.ConsumeFloatingPoint<double>()); },
        [&] { store.WriteString(name, input.ConsumeRandomLengthString(64)); }};
    for (int i = 0; i < 64 && input.remaining_bytes() > 0; ++i) {
        name = input.ConsumeRandomLengthString(32);
        operations[input.ConsumeIntegralInRange<std::size_t>(0, std::size(operations) - 1)]();
    }
    store.Close();
    return 0;
}
