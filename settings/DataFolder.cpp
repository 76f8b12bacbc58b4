#include "settings/DataFolder.h"

#include <cstdlib>
#include <string>
#include <system_error>

#include "settings/SafeFileWrite.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <pwd.h>
#include <unistd.h>
#endif

namespace tonquelle {

namespace fs = std::filesystem;

namespace {

fs::path FromEnvironment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? fs::path(value) : fs::path();
}

}  // namespace

#if defined(_WIN32)
fs::path ExecutableFolder() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) {
            return {};
        }
        if (length < path.size()) {
            path.resize(length);
            return fs::path(path).parent_path();
        }
        path.resize(path.size() * 2);  // cut short: try a longer buffer
    }
}

fs::path UserConfigFolder() {
    const fs::path local = FromEnvironment("LOCALAPPDATA");
    return local.empty() ? fs::path() : local / "tonquelle";
}
#else
fs::path ExecutableFolder() {
    std::error_code error;
    const fs::path self = fs::read_symlink("/proc/self/exe", error);
    // The link names the file the program was started from even when that name now leads
    // elsewhere; only a name that still leads to the running file is a folder of ours.
    if (error || !fs::equivalent("/proc/self/exe", self, error)) {
        return {};
    }
    return self.parent_path();
}

fs::path UserConfigFolder() {
    fs::path base = FromEnvironment("XDG_CONFIG_HOME");
    if (!base.is_absolute()) {  // unset, empty or relative: ignored, as the XDG rules say
        fs::path home = FromEnvironment("HOME");
        if (home.empty()) {
            const passwd* user = getpwuid(getuid());
            home = user != nullptr && user->pw_dir != nullptr ? fs::path(user->pw_dir) : fs::path();
        }
        if (home.empty()) {
            return {};
        }
        base = home / ".config";
    }
    return base / "tonquelle";
}
#endif

fs::path ChooseDataFolder(const fs::path& executableFolder, const fs::path& userConfigFolder) {
    if (executableFolder.empty()) {
        return userConfigFolder;
    }
    if (userConfigFolder.empty()) {
        return executableFolder;
    }
    // With or without a trailing separator.
    const bool installed = (executableFolder / "").parent_path().filename() == "bin";
    if (installed || !CanCreateFilesIn(executableFolder)) {
        return userConfigFolder;
    }
    return executableFolder;
}

}  // namespace tonquelle
