#pragma once

#include <filesystem>

namespace tonquelle {

// Where Tonquelle keeps "tonquelle.ini" and "tonquelle.htm". The program and tonquelle-render
// follow the same rule, so the tool finds the settings the program wrote.

// The folder of the running program's executable file; empty when it cannot be determined (no
// /proc, or the file no longer answers to its name: deleted, replaced, or a folder mounted over
// it).
std::filesystem::path ExecutableFolder();

// Tonquelle's folder in the user's configuration folder: $XDG_CONFIG_HOME/tonquelle when that is
// set, else ~/.config/tonquelle (Windows: %LOCALAPPDATA%\tonquelle). Empty when no home folder
// is known.
std::filesystem::path UserConfigFolder();

// The data folder:
// - the user's configuration folder when the executable's folder is unknown (empty), and for an
//   installed program, whose executable sits in a folder named "bin" (/usr/bin, /usr/local/bin,
//   ~/.local/bin, any prefix), whether that folder can be written or not;
// - otherwise (a build folder, an unpacked folder of the program's own) the executable's folder,
//   when new files can be created in it; else the configuration folder.
// Nothing is created. An empty result (neither folder known) means the current folder.
std::filesystem::path ChooseDataFolder(const std::filesystem::path& executableFolder,
                                       const std::filesystem::path& userConfigFolder);

}  // namespace tonquelle
