#include "channel/UnitMenu.h"

#include <QMenu>
#include <QWidget>

namespace tonquelle {

void ShowUnitMenu(QWidget& owner, QMenu& unitMenu, QWidget& button) {
    const QPoint bottomLeft = button.mapToGlobal(QPoint(0, 0)) + QPoint(0, button.height());
    owner.raise();
    owner.activateWindow();
    unitMenu.exec(bottomLeft);
}

}  // namespace tonquelle
