#include "app/QtUserDialogs.h"

#include <QDialog>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace tonquelle {

void QtUserDialogs::ShowError(QWidget* owner, const QString& text) {
    QMessageBox::critical(owner, QStringLiteral("Fehler"), text);
}

// The system's file-open dialog, without a title or preset name of its own.
QString QtUserDialogs::ChooseWaveformFile(QWidget* owner) {
    return QFileDialog::getOpenFileName(owner, QString(), QString(), WaveformFileFilter());
}

QString QtUserDialogs::AskSlotName(QWidget* owner, const QString& preset) {
    return AskSlotNameWithDialog(owner, preset);
}

QString WaveformFileFilter() {
    return QStringLiteral("Text- und CSV-Dateien (*.txt *.csv);;Alle Dateien (*)");
}

namespace {

// A dialog that leaves its line with the caret at the end and nothing selected when it shows
// (QDialog gives the focus widget a tab focus on showing, which selects a line's text).
class SlotNameDialog final : public QDialog {
  public:
    SlotNameDialog(QWidget* owner, QLineEdit& name) : QDialog(owner), name_(name) {}

    void setVisible(bool visible) override {
        QDialog::setVisible(visible);
        if (visible) {
            name_.deselect();
            name_.end(false);
        }
    }

  private:
    QLineEdit& name_;
};

}  // namespace

QString AskSlotNameWithDialog(QWidget* owner, const QString& preset) {
    auto* name = new QLineEdit(preset);
    SlotNameDialog dialog(owner, *name);
    dialog.setWindowTitle(QStringLiteral("Einstellung speichern"));
    auto* text = new QLabel(QStringLiteral("Bitte geben Sie einen Namen für die Einstellung ein!"));
    // The default button answers Enter; QDialog itself answers Escape and the close box.
    auto* ok = new QPushButton(QStringLiteral("OK"));
    ok->setDefault(true);
    QObject::connect(ok, &QPushButton::clicked, &dialog, &QDialog::accept);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(text);
    layout->addWidget(name);
    layout->addLayout(buttons);
    name->setFocus();

    return dialog.exec() == QDialog::Accepted ? name->text() : QString();
}

}  // namespace tonquelle
