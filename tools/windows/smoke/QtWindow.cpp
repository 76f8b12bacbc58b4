// Shows a window with Qt's Windows build and Qt's German texts, then quits. Succeeds when the
// window was shown and its "Cancel" button reads "Abbrechen".
//
//   qt-window.exe <folder holding qtbase_de.qm>
#include <QApplication>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QStyle>
#include <QTimer>
#include <QTranslator>
#include <cstdio>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QTranslator qtTexts;
    if (argc < 2 || !qtTexts.load(QLocale(QLocale::German), "qtbase", "_", argv[1])) {
        std::fprintf(stderr, "qtbase_de.qm not found (argument: its folder)\n");
        return 2;
    }
    QApplication::installTranslator(&qtTexts);

    QDialogButtonBox window(QDialogButtonBox::Cancel);
    window.show();
    const bool shown = window.isVisible();
    const QString cancel = window.button(QDialogButtonBox::Cancel)->text().remove('&');
    std::printf("platform %s, style %s, window shown: %s, Cancel button: %s\n",
                qPrintable(QApplication::platformName()), qPrintable(app.style()->name()),
                shown ? "yes" : "no", qPrintable(cancel));
    QTimer::singleShot(0, &app, &QApplication::quit);  // quitting closes the window
    const int status = QApplication::exec();
    return status == 0 && shown && cancel == "Abbrechen" ? 0 : 1;
}
