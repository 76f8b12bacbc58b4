#include "app/HelpDocument.h"

#include <QFile>
#include <filesystem>
#include <string_view>

#include "app/Resources.h"
#include "settings/SafeFileWrite.h"

namespace tonquelle {

QByteArray HelpDocument() {
    InitialiseResources();
    QFile resource(QStringLiteral(":/tonquelle/tonquelle.htm"));
    if (!resource.open(QIODevice::ReadOnly)) {
        return {};
    }
    return resource.readAll();
}

bool WriteHelpDocument(const QString& path) {
    const QByteArray document = HelpDocument();
    // Whatever stands at the path is replaced, a symbolic link too: the help never writes
    // through a link into a file elsewhere.
    return WriteFileSafely(std::filesystem::path(path.toStdU16String()),
                           std::string_view(document.constData(), document.size()), RenameFile,
                           AtSymbolicLink::ReplaceLink);
}

}  // namespace tonquelle
