#include "app/DataFolder.h"

#include <QDir>
#include <filesystem>

#include "settings/DataFolder.h"

namespace tonquelle {

namespace {

QString FolderPath(const std::filesystem::path& folder) {
    if (folder.empty()) {
        return {};
    }
    const QString path = QDir::fromNativeSeparators(QString::fromStdU16String(folder.u16string()));
    return path.endsWith(QLatin1Char('/')) ? path : path + QLatin1Char('/');
}

std::filesystem::path FileSystemFolder(const QString& folder) {
    return std::filesystem::path(folder.toStdU16String());
}

}  // namespace

QString ProgramFolderPath() {
    return FolderPath(ExecutableFolder());
}

QString UserConfigFolderPath() {
    return FolderPath(UserConfigFolder());
}

QString DataFolderPath(const QString& programFolder, const QString& userConfigFolder) {
    return FolderPath(
        ChooseDataFolder(FileSystemFolder(programFolder), FileSystemFolder(userConfigFolder)));
}

bool MakeDataFolder(const QString& dataFolder) {
    return dataFolder.isEmpty() || QDir().mkpath(dataFolder);
}

}  // namespace tonquelle
