#include "app/HelpDocument.h"

#include <QFile>

#include "app/Resources.h"

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
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        return false;
    }
    file.write(HelpDocument());
    return true;
}

}  // namespace tonquelle
