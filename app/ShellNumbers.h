#pragma once

// The fixed numbers by which the shell's dispatch knows its windows, their controls and the menu
// entries. They are part of the program's contract: the dispatch tables and the tests use them.

namespace tonquelle {

// Windows.
inline constexpr int MainWindowNumber = 0;
inline constexpr int DeviceWindowNumber = 1;
inline constexpr int AboutWindowNumber = 2;

// Controls of the main window and of the About box. (The device dialog's are in
// app/DeviceDialog.h.)
inline constexpr int PanelAreaControl = 0;
inline constexpr int AboutTextControl = 13;
inline constexpr int AboutLinkControl = 14;
inline constexpr int AboutOkControl = 15;

// Menu identifiers.
inline constexpr int MenuStartStop = 0;
inline constexpr int MenuQuit = 1;
inline constexpr int MenuLoadSlot = 2;   // 2..11: load slot (identifier - 2)
inline constexpr int MenuSaveSlot = 12;  // 12..21: save slot (identifier - 12)
inline constexpr int MenuHelp = 22;
inline constexpr int MenuAbout = 23;
inline constexpr int MenuUnitFactor = 24;       // unit menu entry "1"
inline constexpr int MenuUnitDecibel = 25;      // unit menu entry "dB"
inline constexpr int MenuSoftTransitions = 26;  // "Weiche Übergänge", checkable
inline constexpr int MenuIdentifierCount = 27;

// Main-window events other than menu entries and controls.
enum class WindowEvent { Close, Resize };

// Parts of RefreshShell, combined as bits.
inline constexpr int RefreshLayout = 1;
inline constexpr int RefreshRunState = 2;
inline constexpr int RefreshSlotLabels = 4;
inline constexpr int RefreshAll = RefreshLayout | RefreshRunState | RefreshSlotLabels;

// Panel area geometry: the panels are 200 pixels high and stacked 205 apart.
inline constexpr int PanelAreaWidth = 850;
inline constexpr int PanelPitch = 205;
inline constexpr int PanelAreaMargin = 5;
inline constexpr int StoppedPanelAreaSize = 50;
inline constexpr int PanelAreaScrollStep = 50;

// Main window: the client area below the menu bar at start, and the smallest client size.
inline constexpr int MainClientWidth = 850;
inline constexpr int MainClientHeight = 415;
inline constexpr int MainMinimumWidth = 400;
inline constexpr int MainMinimumHeight = 200;

}  // namespace tonquelle
