#include "channel/WheelNeedsFocus.h"

#include <QEvent>
#include <QWidget>

namespace tonquelle {

void WheelNeedsFocus::Install(QWidget& control) {
    control.setFocusPolicy(Qt::StrongFocus);
    control.installEventFilter(new WheelNeedsFocus(&control));
}

bool WheelNeedsFocus::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Wheel && !static_cast<QWidget*>(watched)->hasFocus()) {
        event->ignore();  // an ignored wheel event goes on to the scroll area
        return true;
    }
    return false;
}

}  // namespace tonquelle
