// Where the program and tonquelle-render keep "tonquelle.ini".

#include "settings/DataFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "tests/settings/TemporaryFolder.h"

namespace tonquelle {
namespace {

namespace fs = std::filesystem;

#if defined(__linux__) || defined(_WIN32)
TEST(DataFolder, TheExecutableFolderIsWhereThisTestProgramIs) {
    EXPECT_TRUE(fs::equivalent(ExecutableFolder(), TONQUELLE_TEST_PROGRAM_FOLDER));
}
#endif

// An installed program (in a folder named "bin", writable or not) and one whose folder is
// unknown use the configuration folder; a program in a folder of its own keeps its files beside
// it unless the folder takes no files.
TEST(DataFolder, InstalledOrUnknownProgramsUseTheConfigurationFolder) {
    testing::TemporaryFolder folder;
    const fs::path config = folder / "config" / "tonquelle";
    fs::create_directories(folder / "prefix" / "bin");
    fs::create_directories(folder / "unpacked");
    testing::WriteBytes(folder / "plain", "a file, not a folder");
    const struct {
        fs::path Program, Config, Expected;
    } cases[] = {
        {folder / "prefix" / "bin", config, config},
        {folder / "prefix" / "bin" / "", config, config},
        {"/usr/bin", config, config},
        {"", config, config},
        {folder / "unpacked", config, folder / "unpacked"},
        {folder / "plain" / "app", config, config},
        {folder / "unpacked", "", folder / "unpacked"},
        {"", "", ""},
    };
    for (const auto& [program, userConfig, expected] : cases) {
        EXPECT_EQ(ChooseDataFolder(program, userConfig), expected) << program;
    }
}

#if !defined(_WIN32)
// Sets an environment variable (unset: nothing) for the life of the object.
class ScopedVariable {
  public:
    ScopedVariable(const char* name, std::optional<std::string> value) : name_(name) {
        if (const char* old = std::getenv(name)) {
            old_ = old;
        }
        Set(value);
    }
    ~ScopedVariable() { Set(old_); }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

  private:
    void Set(const std::optional<std::string>& value) {
        value ? setenv(name_, value->c_str(), 1) : unsetenv(name_);
    }
    const char* name_;
    std::optional<std::string> old_;
};

TEST(DataFolder, TheConfigurationFolderFollowsXdgConfigHomeElseHome) {
    const ScopedVariable home("HOME", "/home/someone");
    {
        const ScopedVariable config("XDG_CONFIG_HOME", "/elsewhere/config");
        EXPECT_EQ(UserConfigFolder(), fs::path("/elsewhere/config/tonquelle"));
    }
    for (const std::optional<std::string>& ignored :
         {std::optional<std::string>(), std::optional<std::string>(""),
          std::optional<std::string>("rel")}) {
        const ScopedVariable config("XDG_CONFIG_HOME", ignored);
        EXPECT_EQ(UserConfigFolder(), fs::path("/home/someone/.config/tonquelle"));
    }
}
#endif

}  // namespace
}  // namespace tonquelle
