#pragma once

#include <QLabel>

namespace tonquelle {

// A web address drawn like a link: underlined, blue, red while the mouse pointer is over it, with
// the pointing-hand cursor. A left click reports Activated; opening the address is the owner's
// business.
class LinkLabel final : public QLabel {
    Q_OBJECT

  public:
    LinkLabel(const QString& text, QWidget* parent);

    static const QColor NormalColor;
    static const QColor HoverColor;

  signals:
    void Activated();

  protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    void SetTextColor(const QColor& color);
};

}  // namespace tonquelle
