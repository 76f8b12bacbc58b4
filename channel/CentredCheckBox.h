#pragma once

#include <QCheckBox>

namespace tonquelle {

// A check box whose box and text sit centred in its width. The whole width answers to clicks.
class CentredCheckBox : public QCheckBox {
    Q_OBJECT

  public:
    using QCheckBox::QCheckBox;

  protected:
    void paintEvent(QPaintEvent* event) override;
    bool hitButton(const QPoint& pos) const override;
};

}  // namespace tonquelle
