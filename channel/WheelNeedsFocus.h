#pragma once

#include <QObject>

class QWidget;

namespace tonquelle {

// Keeps the mouse wheel from changing a slider or list the user has not selected: scrolling
// through the panels must not retune the channels it passes over. Without the focus, the wheel
// scrolls the panel area instead.
class WheelNeedsFocus final : public QObject {
  public:
    // Installs the filter on `control` (which owns it) and stops the wheel from giving focus.
    static void Install(QWidget& control);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    using QObject::QObject;
};

}  // namespace tonquelle
