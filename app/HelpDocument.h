#pragma once

#include <QByteArray>
#include <QString>

namespace tonquelle {

// The help document, byte for byte as it is written to disk: a self-contained HTML page in UTF-8.
QByteArray HelpDocument();

// Writes the help document to `path` through a new file that then replaces whatever is there (a
// symbolic link is replaced, not followed). False when it could not be written whole.
bool WriteHelpDocument(const QString& path);

}  // namespace tonquelle
