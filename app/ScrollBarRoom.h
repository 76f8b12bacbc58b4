#pragma once

#include <QObject>

class QScrollArea;
class QWidget;

namespace tonquelle {

// Keeps the panels clear of the panel area's vertical scroll bar: while the bar is shown the
// window is wider by the bar's width, so the bar covers no control; once it is gone the window
// gives that width back. A maximised or full-screen window keeps its size. UI thread.
class ScrollBarRoom final : public QObject {
    Q_OBJECT

  public:
    // Watches `area`'s vertical scroll bar and resizes `window`. Owned by `area`.
    ScrollBarRoom(QWidget& window, QScrollArea& area);

  private:
    // Widens or narrows the window when the bar's visibility and the window's width disagree.
    void Follow();

    QWidget& window_;
    QScrollArea& area_;
    bool widened_ = false;  // the window holds the bar's width now
};

}  // namespace tonquelle
