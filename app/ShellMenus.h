#pragma once

#include <QString>
#include <array>

#include "app/ShellNumbers.h"

class QAction;
class QMainWindow;
class QMenu;

namespace tonquelle {

// The main window's menu bar and the unit popup, one action per menu identifier. Each action
// carries its identifier as data; the shell routes every trigger to its one menu dispatch.
struct ShellMenus {
    std::array<QAction*, MenuIdentifierCount> Actions{};
    QMenu* UnitMenu = nullptr;
};

// Builds "&Funktionsgenerator", "&Laden", "&Speichern" and "&?" with their shortcuts (acting only
// while `window` is the active window), then the unit popup. Entries whose text depends on the
// state are created empty: RefreshShell fills them. "Weiche Übergänge" is checkable and starts
// unchecked.
ShellMenus BuildShellMenus(QMainWindow& window);

// Entry texts that depend on the run state and the slot names.
QString StartStopText(bool running);
QString LoadSlotText(const QString& name, int slot);
QString SaveSlotText(const QString& name, int slot);

}  // namespace tonquelle
