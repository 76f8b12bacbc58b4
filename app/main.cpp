// Tonquelle: a multichannel function generator for the audio range on the PC's sound card.

#include <QApplication>

#include "app/CommandLine.h"
#include "app/DataFolder.h"
#include "app/GermanQt.h"
#include "app/MainWindow.h"
#include "app/QtUserDialogs.h"
#include "app/Shell.h"
#include "app/TerminationSignals.h"
#include "app/UrlOpener.h"
#include "audio/SystemWaveOut.h"

int main(int argc, char** argv) {
    using namespace tonquelle;
    if (AsksForConsoleAnswer(argc, argv)) {
        QCoreApplication console(argc, argv);
        UseGermanQt(console);
        ReadCommandLine(console);  // answers and ends the process
        return 0;
    }
#if defined(_WIN32)
    // Qt 6.4's default GDI font engine draws a line edit's text above its box under Wine, out
    // of sight in the panels' fields; DirectWrite (Qt's default on Windows from 6.8 on) draws
    // it in place. An explicit QT_QPA_PLATFORM still decides.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "windows:fontengine=directwrite");
    }
#endif
    QApplication application(argc, argv);
    UseGermanQt(application);
    ReadCommandLine(application);
    QGuiApplication::setDesktopFileName(QStringLiteral("tonquelle"));
    // The shell decides when the program ends: its close box and "&Beenden".
    QApplication::setQuitOnLastWindowClosed(false);

    const std::unique_ptr<WaveOutDriver> driver = CreateSystemWaveOutDriver();
    QtUserDialogs dialogs;
    DesktopUrlOpener urls;
    {
        Shell shell({*driver, dialogs, urls, ProgramFolderPath(), UserConfigFolderPath()});
        QObject::connect(&shell, &Shell::QuitRequested, &application, &QCoreApplication::quit);
        // Asked to end from outside (logout, kill, Ctrl+C): as if the close box was clicked.
        TerminationSignals termination;
        QObject::connect(&termination, &TerminationSignals::Received, &shell.Window(),
                         &QWidget::close);
        shell.Show();
        QApplication::exec();
        shell.Leave();
    }
    // Whatever happened, the program ends with exit code 0.
    return 0;
}
