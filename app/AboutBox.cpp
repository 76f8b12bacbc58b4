#include "app/AboutBox.h"

#include <QCloseEvent>
#include <QDateTime>
#include <QLabel>
#include <QPushButton>

#include "app/LinkLabel.h"
#include "app/ShellNumbers.h"

namespace tonquelle {

namespace {

constexpr int AboutWidth = 320;
constexpr int AboutHeight = 160;

QString ControlName(int number) {
    return QStringLiteral("control%1").arg(number);
}

}  // namespace

QString VersionText() {
    const QString date = QDateTime::fromSecsSinceEpoch(BuildDateSeconds, Qt::UTC)
                             .toString(QStringLiteral("dd.MM.yyyy"));
    return QStringLiteral("%1.%2.%3-%4 (%5)")
        .arg(VersionMajor)
        .arg(VersionMinor)
        .arg(VersionPatch)
        .arg(VersionBuild)
        .arg(date);
}

AboutBox::AboutBox(QWidget& owner)
    : QWidget(&owner, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    setWindowTitle(QStringLiteral("Über Tonquelle"));
    setFixedSize(AboutWidth, AboutHeight);

    auto* text = new QLabel(QStringLiteral("Tonquelle\n"
                                           "Soundkarten-Funktionsgenerator\n"
                                           "vom Tonquelle-Team\n"
                                           "Version ") +
                                VersionText(),
                            this);
    text->setObjectName(ControlName(AboutTextControl));
    text->setAlignment(Qt::AlignCenter);
    text->setGeometry(0, 10, 330, 90);

    auto* link = new LinkLabel(QString::fromLatin1(HomePageAddress), this);
    link->setObjectName(ControlName(AboutLinkControl));
    link->setGeometry(10, 100, 300, 20);
    connect(link, &LinkLabel::Activated, this, [this] { emit ControlActivated(AboutLinkControl); });

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(ControlName(AboutOkControl));
    ok->setGeometry(110, 130, 100, 20);
    connect(ok, &QPushButton::clicked, this, [this] { emit ControlActivated(AboutOkControl); });

    move(owner.geometry().center() - rect().center());
}

QWidget* AboutBox::Control(int number) const {
    return findChild<QWidget*>(ControlName(number));
}

void AboutBox::closeEvent(QCloseEvent* event) {
    // Only "OK" closes the box.
    event->ignore();
}

}  // namespace tonquelle
