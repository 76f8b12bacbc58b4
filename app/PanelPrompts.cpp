#include "app/PanelPrompts.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "channel/PanelDialogs.h"

namespace tonquelle {

QString DialogPrompts::ChooseWaveformFile(QWidget* owner) {
    return AskForWaveformFile(owner);
}

QString DialogPrompts::AskSlotName(QWidget* owner, const QString& preset) {
    return AskSlotNameWithDialog(owner, preset);
}

QString AskSlotNameWithDialog(QWidget* owner, const QString& preset) {
    QDialog dialog(owner);
    dialog.setWindowTitle(QStringLiteral("Einstellung speichern"));
    auto* text = new QLabel(QStringLiteral("Bitte geben Sie einen Namen für die Einstellung ein!"));
    auto* name = new QLineEdit(preset);
    name->deselect();
    name->end(false);
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
