#pragma once

#include <QString>

class QWidget;

namespace tonquelle {

// The questions and messages of the panels' file buttons. The program asks the user; tests
// answer for them.
class PanelDialogs {
  public:
    virtual ~PanelDialogs() = default;
    // The waveform file the user picked, or an empty text when the dialog was cancelled.
    virtual QString ChooseWaveformFile(QWidget* owner) = 0;
    // An error message box titled "Fehler"; returns when the user has dismissed it.
    virtual void ShowError(QWidget* owner, const QString& text) = 0;
};

// The file filter of the waveform file dialog: text and CSV files first, then all files.
QString WaveformFileFilter();

// The system's file-open dialog for a waveform file, without a title or preset name of its own:
// the chosen path, or an empty text when cancelled.
QString AskForWaveformFile(QWidget* owner);

}  // namespace tonquelle
