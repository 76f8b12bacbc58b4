#pragma once

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <locale>
#include <random>
#include <string>
#include <string_view>

namespace tonquelle::testing {

// Switches the C and C++ locale to German (comma as decimal separator) for one test, building the
// locale into a folder of its own when the system has none installed: test programs run side by
// side must not build into the same folder. Active once the C library writes a decimal comma.
// On Windows the C library knows German by its own name, and libstdc++ there has no named C++
// locales: only the C locale changes.
class GermanNumericLocale {
  public:
#if defined(_WIN32)
    GermanNumericLocale() {
        TrySet("German_Germany.1252");
    }
#else
    GermanNumericLocale() {
        if (TrySet(LinuxName)) {
            return;
        }
        folder_ = std::filesystem::temp_directory_path() /
                  ("tonquelle-test-locales-" + std::to_string(std::random_device()()));
        std::filesystem::create_directories(folder_);
        const std::string command =
            "localedef -i de_DE -f UTF-8 '" + (folder_ / LinuxName).string() + "' >/dev/null 2>&1";
        if (std::system(command.c_str()) == 0) {
            setenv("LOCPATH", folder_.c_str(), 1);
            TrySet(LinuxName);
        }
    }
#endif
    ~GermanNumericLocale() {
        std::setlocale(LC_ALL, "C");
        std::locale::global(std::locale::classic());
        std::error_code error;
        std::filesystem::remove_all(folder_, error);  // the loaded locale stays mapped
    }
    GermanNumericLocale(const GermanNumericLocale&) = delete;
    GermanNumericLocale& operator=(const GermanNumericLocale&) = delete;

    bool Active() const {
        return active_;
    }

  private:
    static constexpr const char* LinuxName = "de_DE.UTF-8";

    bool TrySet(const char* name) {
        if (std::setlocale(LC_ALL, name) == nullptr) {
            return false;
        }
#if !defined(_WIN32)
        std::locale::global(std::locale(name));
#endif
        char text[8];
        std::snprintf(text, sizeof text, "%.1f", 0.5);
        active_ = std::string_view(text) == "0,5";
        return active_;
    }
    std::filesystem::path folder_;
    bool active_ = false;
};

}  // namespace tonquelle::testing
