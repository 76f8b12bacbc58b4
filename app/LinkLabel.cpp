#include "app/LinkLabel.h"

#include <QMouseEvent>

namespace tonquelle {

const QColor LinkLabel::NormalColor{0, 0, 255};
const QColor LinkLabel::HoverColor{255, 0, 0};

LinkLabel::LinkLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {
    QFont underlined = font();
    underlined.setUnderline(true);
    setFont(underlined);
    setCursor(Qt::PointingHandCursor);
    SetTextColor(NormalColor);
}

void LinkLabel::SetTextColor(const QColor& color) {
    QPalette colours = palette();
    colours.setColor(QPalette::WindowText, color);
    setPalette(colours);
}

void LinkLabel::enterEvent(QEnterEvent* event) {
    SetTextColor(HoverColor);
    QLabel::enterEvent(event);
}

void LinkLabel::leaveEvent(QEvent* event) {
    SetTextColor(NormalColor);
    QLabel::leaveEvent(event);
}

void LinkLabel::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        emit Activated();
    }
    QLabel::mouseReleaseEvent(event);
}

}  // namespace tonquelle
