#pragma once

#include <QString>

class QWidget;

namespace tonquelle {

// The questions the panels and the memory-slot commands ask the user. The program shows
// dialogs; tests answer for the user.
class PanelPrompts {
  public:
    virtual ~PanelPrompts() = default;
    // The waveform file the user picked; empty when cancelled.
    virtual QString ChooseWaveformFile(QWidget* owner) = 0;
    // The name typed for a memory slot, starting from `preset`; empty when cancelled.
    virtual QString AskSlotName(QWidget* owner, const QString& preset) = 0;
};

// The program's dialogs: the system's file-open dialog and the modal slot-name prompt.
class DialogPrompts final : public PanelPrompts {
  public:
    QString ChooseWaveformFile(QWidget* owner) override;
    QString AskSlotName(QWidget* owner, const QString& preset) override;
};

// The modal prompt "Einstellung speichern": one line preset with `preset` (caret at its end,
// nothing selected) and an "OK" button. Enter confirms and gives the line; Escape or closing
// the prompt gives an empty text.
QString AskSlotNameWithDialog(QWidget* owner, const QString& preset);

}  // namespace tonquelle
