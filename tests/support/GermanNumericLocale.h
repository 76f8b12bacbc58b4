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
class GermanNumericLocale {
  public:
    GermanNumericLocale() {
        if (TrySet()) {
            return;
        }
        folder_ = std::filesystem::temp_directory_path() /
                  ("tonquelle-test-locales-" + std::to_string(std::random_device()()));
        std::filesystem::create_directories(folder_);
        const std::string command = "localedef -i de_DE -f UTF-8 '" +
                                    (folder_ / "de_DE.UTF-8").string() + "' >/dev/null 2>&1";
        if (std::system(command.c_str()) == 0) {
            setenv("LOCPATH", folder_.c_str(), 1);
            TrySet();
        }
    }
    ~GermanNumericLocale() {
        std::setlocale(LC_ALL, "C");
        std::locale::global(std::locale::classic());
        std::error_code error;
        std::filesystem::remove_all(folder_, error);  // the loaded locale stays mapped
    }
    GermanNumericLocale(const GermanNumericLocale&) = delete;
    GermanNumericLocale& operator=(const GermanNumericLocale&) = delete;

    bool Active() const { return active_; }

  private:
    bool TrySet() {
        if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr) {
            return false;
        }
        std::locale::global(std::locale("de_DE.UTF-8"));
        char text[8];
        std::snprintf(text, sizeof text, "%.1f", 0.5);
        active_ = std::string_view(text) == "0,5";
        return active_;
    }
    std::filesystem::path folder_;
    bool active_ = false;
};

}  // namespace tonquelle::testing
