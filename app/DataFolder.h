#pragma once

#include <QString>

namespace tonquelle {

// The folder of the program's own executable, ending in "/".
QString ProgramFolderOf(const QString& executableFolder);

// Where "tonquelle.ini" and "tonquelle.htm" live: the program's own folder when a file can be
// created there; otherwise (an installed program) the user's configuration folder
// `userConfigFolder`, created if needed. When neither can be written the program's folder is kept,
// so that the messages about files that cannot be written name it. The result ends in "/".
QString ChooseDataFolder(const QString& programFolder, const QString& userConfigFolder);

}  // namespace tonquelle
