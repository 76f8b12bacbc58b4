#include "channel/CentredCheckBox.h"

#include <QStyleOptionButton>
#include <QStylePainter>

namespace tonquelle {

void CentredCheckBox::paintEvent(QPaintEvent*) {
    QStyleOptionButton option;
    initStyleOption(&option);
    const int contentWidth = std::min(sizeHint().width(), width());
    option.rect = QRect((width() - contentWidth) / 2, 0, contentWidth, height());
    QStylePainter painter(this);
    painter.drawControl(QStyle::CE_CheckBox, option);
}

bool CentredCheckBox::hitButton(const QPoint& pos) const {
    return rect().contains(pos);
}

}  // namespace tonquelle
