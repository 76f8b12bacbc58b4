#pragma once

#include <chrono>
#include <optional>

#include <QLineEdit>
#include <QTimer>

namespace tonquelle {

// A channel panel's number field. What the user types takes effect when it is meant to: on
// Enter, when the field loses the focus, or after TypingPause without a keystroke, whichever
// comes first; never with each keystroke, so typing "-40" never plays "-" (0 dB) or "-4" on the
// way. Only a complete number takes effect (ReadCompleteNumber); text that is not one never does,
// and when the focus leaves such a text the field asks for the playing value to be shown again.
// UI thread only.
class NumberField final : public QLineEdit {
    Q_OBJECT

  public:
    static constexpr std::chrono::milliseconds TypingPause{500};

    explicit NumberField(QWidget* parent);

  signals:
    // The text the user typed is a complete number and is to take effect now.
    void ValueEntered();
    // The focus left while the text was not a complete number: the field should show the value
    // that plays.
    void ValueAbandoned();

  protected:
    void focusOutEvent(QFocusEvent* event) override;

  private:
    void Typed(const QString& text);
    void Enter();
    bool HoldsCompleteNumber() const;

    QTimer pause_;
    // The text as the user left it while it has not taken effect. When the field shows anything
    // else, the program has written it since, and that value plays already.
    std::optional<QString> waiting_;
};

}  // namespace tonquelle
