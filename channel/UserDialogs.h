#pragma once

#include <QString>

class QWidget;

namespace tonquelle {

// Everything the program asks or tells the user in a dialog: an error message, the waveform file
// to load, a memory slot's name. Each call returns when the user has answered. The program shows
// Qt's dialogs (app/QtUserDialogs.h); the tests answer for the user and record what was asked.
// UI thread only.
class UserDialogs {
  public:
    virtual ~UserDialogs() = default;
    // An error message titled "Fehler" with the error icon and one "OK" button, over `owner`
    // (may be null).
    virtual void ShowError(QWidget* owner, const QString& text) = 0;
    // The waveform file the user picked; empty when cancelled.
    virtual QString ChooseWaveformFile(QWidget* owner) = 0;
    // The name typed for a memory slot, starting from `preset`; empty when cancelled.
    virtual QString AskSlotName(QWidget* owner, const QString& preset) = 0;
};

}  // namespace tonquelle
