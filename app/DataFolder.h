#pragma once

#include <QString>

namespace tonquelle {

// The program's side of the data-folder rule of settings/DataFolder.h, with folders as Qt paths
// ("/" as separator) ending in "/".

// The folder of the program's own executable; empty when it cannot be determined.
QString ProgramFolderPath();

// Tonquelle's folder in the user's configuration folder (~/.config/tonquelle/); empty when no
// home folder is known.
QString UserConfigFolderPath();

// Where "tonquelle.ini" and "tonquelle.htm" live (ChooseDataFolder). Empty only when neither
// folder is known: then the current folder.
QString DataFolderPath(const QString& programFolder, const QString& userConfigFolder);

// Creates the data folder (with its parents) where it does not exist yet. False when it cannot.
bool MakeDataFolder(const QString& dataFolder);

}  // namespace tonquelle
