// Tonquelle: a multichannel function generator for the audio range on the PC's sound card.

#include <QApplication>
#include <QStandardPaths>

#include "app/ChannelPanelHost.h"
#include "app/DataFolder.h"
#include "app/MessageSink.h"
#include "app/Shell.h"
#include "app/UrlOpener.h"
#include "audio/SystemWaveOut.h"

int main(int argc, char** argv) {
    using namespace tonquelle;
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("tonquelle"));
    QGuiApplication::setDesktopFileName(QStringLiteral("tonquelle"));
    // The shell decides when the program ends: its close box and "&Beenden".
    QApplication::setQuitOnLastWindowClosed(false);

    const std::unique_ptr<WaveOutDriver> driver = CreateSystemWaveOutDriver();
    MessageBoxSink messages;
    DesktopUrlOpener urls;
    {
        Shell shell({*driver, messages, urls,
                     ProgramFolderOf(QCoreApplication::applicationDirPath()),
                     QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation),
                     ChannelPanelHostFactory()});
        QObject::connect(&shell, &Shell::QuitRequested, &application, &QCoreApplication::quit);
        shell.Show();
        QApplication::exec();
        shell.Leave();
    }
    // Whatever happened, the program ends with exit code 0.
    return 0;
}
