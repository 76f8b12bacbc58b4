#pragma once

namespace tonquelle::testing {

// Whether a test can make symbolic links. mingw-w64's std::filesystem::create_symlink fails on
// Windows ("Function not implemented"), and Windows itself grants them only with a privilege or
// in developer mode, so the tests that need one are skipped there.
#if defined(_WIN32)
inline constexpr bool SymbolicLinksAvailable = false;
#else
inline constexpr bool SymbolicLinksAvailable = true;
#endif
inline constexpr const char* NoSymbolicLinks =
    "no symbolic links on Windows (mingw-w64's std::filesystem cannot make them)";

}  // namespace tonquelle::testing
