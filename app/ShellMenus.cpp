#include "app/ShellMenus.h"

#include <QAction>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QShortcut>

#include "settings/SettingsStore.h"

namespace tonquelle {

namespace {

// Slot i answers to the digit (i + 1) mod 10: the keys 1..9, then 0 for the tenth slot.
int SlotDigit(int slot) {
    return (slot + 1) % 10;
}

Qt::Key SlotDigitKey(int slot) {
    return static_cast<Qt::Key>(Qt::Key_0 + SlotDigit(slot));
}

QAction* AddEntry(ShellMenus& menus, QMenu& menu, QMainWindow& window, int id, const QString& text,
                  const QKeySequence& shortcut = {}) {
    QAction* action = menu.addAction(text);
    action->setData(id);
    action->setShortcut(shortcut);
    action->setShortcutContext(Qt::WindowShortcut);
    // Also on the window itself, so that the shortcut belongs to the main window alone.
    window.addAction(action);
    menus.Actions[static_cast<std::size_t>(id)] = action;
    return action;
}

}  // namespace

ShellMenus BuildShellMenus(QMainWindow& window) {
    ShellMenus menus;
    QMenuBar& bar = *window.menuBar();

    QMenu& generator = *bar.addMenu(QStringLiteral("&Funktionsgenerator"));
    AddEntry(menus, generator, window, MenuStartStop, {}, QKeySequence(Qt::CTRL | Qt::Key_R));
    AddEntry(menus, generator, window, MenuSoftTransitions, QStringLiteral("Weiche Übergänge"))
        ->setCheckable(true);
    generator.addSeparator();
    AddEntry(menus, generator, window, MenuQuit, QStringLiteral("&Beenden"));

    QMenu& load = *bar.addMenu(QStringLiteral("&Laden"));
    for (int slot = 0; slot < MemorySlotCount; ++slot) {
        AddEntry(menus, load, window, MenuLoadSlot + slot, {},
                 QKeySequence(Qt::CTRL | SlotDigitKey(slot)));
    }
    QMenu& save = *bar.addMenu(QStringLiteral("&Speichern"));
    for (int slot = 0; slot < MemorySlotCount; ++slot) {
        AddEntry(menus, save, window, MenuSaveSlot + slot, {},
                 QKeySequence(Qt::ALT | SlotDigitKey(slot)));
    }

    QMenu& help = *bar.addMenu(QStringLiteral("&?"));
    AddEntry(menus, help, window, MenuHelp, QStringLiteral("&Hilfe...\tF1"),
             QKeySequence(Qt::Key_F1));
    AddEntry(menus, help, window, MenuAbout, QStringLiteral("&Über Tonquelle..."));

    // Qt lets a keypad digit stand in for the digit of the main row when no shortcut takes the
    // keypad key itself; these take them, so that only the main row reaches the slots.
    for (int slot = 0; slot < MemorySlotCount; ++slot) {
        for (const Qt::KeyboardModifier modifier : {Qt::ControlModifier, Qt::AltModifier}) {
            new QShortcut(QKeyCombination(modifier | Qt::KeypadModifier, SlotDigitKey(slot)),
                          &window);
        }
    }

    menus.UnitMenu = new QMenu(&window);
    AddEntry(menus, *menus.UnitMenu, window, MenuUnitFactor, QStringLiteral("1"));
    AddEntry(menus, *menus.UnitMenu, window, MenuUnitDecibel, QStringLiteral("dB"));
    return menus;
}

QString StartStopText(bool running) {
    return running ? QStringLiteral("&Anhalten\tStrg+R") : QStringLiteral("&Starten...\tStrg+R");
}

QString LoadSlotText(const QString& name, int slot) {
    return name + QStringLiteral("\tStrg+&") + QString::number(SlotDigit(slot));
}

QString SaveSlotText(const QString& name, int slot) {
    return name + QStringLiteral("\tAlt+&") + QString::number(SlotDigit(slot));
}

}  // namespace tonquelle
