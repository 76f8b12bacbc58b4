#include "app/DataFolder.h"

#include <QDir>
#include <QTemporaryFile>

namespace tonquelle {

namespace {

QString WithSeparator(const QString& folder) {
    return folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
}

// Trying beats asking for permissions: it also covers read-only file systems and access lists.
bool CanCreateFilesIn(const QString& folder) {
    QTemporaryFile probe(folder + QStringLiteral("tonquelle-probe-XXXXXX"));
    return probe.open();
}

}  // namespace

QString ProgramFolderOf(const QString& executableFolder) {
    return WithSeparator(QDir::fromNativeSeparators(executableFolder));
}

QString ChooseDataFolder(const QString& programFolder, const QString& userConfigFolder) {
    const QString own = WithSeparator(programFolder);
    if (CanCreateFilesIn(own) || userConfigFolder.isEmpty()) {
        return own;
    }
    const QString user = WithSeparator(userConfigFolder);
    if (QDir().mkpath(user) && CanCreateFilesIn(user)) {
        return user;
    }
    return own;
}

}  // namespace tonquelle
