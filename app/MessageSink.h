#pragma once

#include <QString>

class QWidget;

namespace tonquelle {

// Where the shell and the panels report a failure to the user. The program shows a message box;
// the tests record the text.
class MessageSink {
  public:
    virtual ~MessageSink() = default;
    // An error message titled "Fehler" with the error icon and one "OK" button, over `owner`
    // (may be null). Returns when the user has dismissed it.
    virtual void ShowError(QWidget* owner, const QString& text) = 0;
};

// The message box of the program.
class MessageBoxSink final : public MessageSink {
  public:
    void ShowError(QWidget* owner, const QString& text) override;
};

}  // namespace tonquelle
