#include "channel/NumberField.h"

#include <QFocusEvent>

#include "text/NumberText.h"

namespace tonquelle {

NumberField::NumberField(QWidget* parent) : QLineEdit(parent) {
    pause_.setSingleShot(true);
    pause_.setInterval(TypingPause);
    connect(&pause_, &QTimer::timeout, this, &NumberField::Enter);
    connect(this, &QLineEdit::textEdited, this, &NumberField::Typed);
    connect(this, &QLineEdit::returnPressed, this, &NumberField::Enter);
}

void NumberField::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    // The field's own context menu takes the focus only for a moment.
    if (event->reason() == Qt::PopupFocusReason) {
        return;
    }
    Enter();
    if (!HoldsCompleteNumber()) {
        waiting_.reset();
        emit ValueAbandoned();
    }
}

void NumberField::Typed(const QString& text) {
    waiting_ = text;
    pause_.start();
}

void NumberField::Enter() {
    pause_.stop();
    if (waiting_ && *waiting_ != text()) {
        waiting_.reset();
    }
    // An incomplete text keeps waiting for the rest of the number.
    if (!waiting_ || !HoldsCompleteNumber()) {
        return;
    }
    waiting_.reset();
    emit ValueEntered();
}

bool NumberField::HoldsCompleteNumber() const {
    return ReadCompleteNumber(text().toStdString()).has_value();
}

}  // namespace tonquelle
