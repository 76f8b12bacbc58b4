#include "app/ScrollBarRoom.h"

#include <QScrollArea>
#include <QScrollBar>

namespace tonquelle {

ScrollBarRoom::ScrollBarRoom(QWidget& window, QScrollArea& area)
    : QObject(&area), window_(window), area_(area) {
    // The area shows the bar exactly when its range is not empty; it is laying itself out when
    // the range changes, so the window is resized once that is done.
    connect(area.verticalScrollBar(), &QScrollBar::rangeChanged, this, [this] {
        QMetaObject::invokeMethod(this, &ScrollBarRoom::Follow, Qt::QueuedConnection);
    });
}

void ScrollBarRoom::Follow() {
    const QScrollBar& bar = *area_.verticalScrollBar();
    const bool shown = bar.isVisibleTo(&area_);
    if (shown == widened_ ||
        (window_.windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen)) != 0) {
        return;
    }
    const int barWidth = bar.sizeHint().width();
    window_.resize(window_.width() + (shown ? barWidth : -barWidth), window_.height());
    widened_ = shown;
}

}  // namespace tonquelle
