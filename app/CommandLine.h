#pragma once

class QCoreApplication;

namespace tonquelle {

// The command line of `tonquelle`. The program takes no arguments of its own; -h/--help and
// -v/--version print their answer in German, as the program speaks, and end it. Qt's own options
// (-platform, -style ...) are taken by QApplication before.

// True when an argument asks for the help or the version: that answer needs no display, so the
// program makes a QCoreApplication instead of a QApplication for it.
bool AsksForConsoleAnswer(int argc, char** argv);

// Names the program and its version, then reads the arguments: prints the help or the version
// and ends the process with exit code 0, or names an unknown option or an unexpected argument
// and ends it with exit code 1. Returns when the window is to open. Call after UseGermanQt.
void ReadCommandLine(QCoreApplication& application);

}  // namespace tonquelle
