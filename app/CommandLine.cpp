#include "app/CommandLine.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/AboutBox.h"

namespace tonquelle {

bool AsksForConsoleAnswer(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        for (const char* option : {"-h", "--help", "-?", "--help-all", "-v", "--version"}) {
            if (std::strcmp(argv[i], option) == 0) {
                return true;
            }
        }
    }
    return false;
}

void ReadCommandLine(QCoreApplication& application) {
    QCoreApplication::setApplicationName(QStringLiteral("tonquelle"));
    QCoreApplication::setApplicationVersion(VersionText());
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Tonquelle: Soundkarten-Funktionsgenerator für den Audiobereich.\n"
                       "Ohne Optionen öffnet sich das Programmfenster."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.process(application);  // answers --help, --version and unknown options, and ends
    if (const QStringList extra = parser.positionalArguments(); !extra.isEmpty()) {
        // Worded as Qt's own parser words an unknown option.
        std::fprintf(stderr, "tonquelle: Unerwartetes Argument '%s'.\n", qPrintable(extra.first()));
        std::exit(EXIT_FAILURE);
    }
}

}  // namespace tonquelle
