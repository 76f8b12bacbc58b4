#pragma once

class QCoreApplication;

namespace tonquelle {

// Makes Qt's own texts German whatever the system's language: the standard dialogs and buttons
// (file dialog, message and input boxes) and the command-line help, through Qt's translation
// qtbase_de.qm (Debian: qt6-translations-l10n; the Windows zip: translations/ beside the
// program), and the numbers and dates Qt's widgets show. False when the translation is not
// found; Qt's texts then stay English.
bool UseGermanQt(QCoreApplication& application);

}  // namespace tonquelle
