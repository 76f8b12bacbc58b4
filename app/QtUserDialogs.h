#pragma once

#include "channel/UserDialogs.h"

namespace tonquelle {

// The program's dialogs: a message box, the system's file-open dialog and the slot-name prompt.
class QtUserDialogs final : public UserDialogs {
  public:
    void ShowError(QWidget* owner, const QString& text) override;
    QString ChooseWaveformFile(QWidget* owner) override;
    QString AskSlotName(QWidget* owner, const QString& preset) override;
};

// The file filter of the waveform file dialog: text and CSV files first, then all files.
QString WaveformFileFilter();

// The modal prompt "Einstellung speichern": one line preset with `preset` (caret at its end,
// nothing selected) and an "OK" button. Enter confirms and gives the line; Escape or closing
// the prompt gives an empty text.
QString AskSlotNameWithDialog(QWidget* owner, const QString& preset);

}  // namespace tonquelle
