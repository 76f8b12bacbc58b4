#pragma once

#include <QByteArray>
#include <QString>

namespace tonquelle {

// The help document, byte for byte as it is written to disk: a self-contained HTML page in UTF-8.
QByteArray HelpDocument();

// Writes the help document to `path`, replacing any file there. False only when the file cannot be
// created; a write that fails afterwards goes unnoticed (the reader then sees what arrived).
bool WriteHelpDocument(const QString& path);

}  // namespace tonquelle
