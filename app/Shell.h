#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <memory>

#include "app/PanelHost.h"
#include "app/ShellMenus.h"
#include "app/ShellNumbers.h"
#include "records/OutputStream.h"
#include "settings/SettingsStore.h"

class QAction;
class QMenu;
class QScrollArea;

namespace tonquelle {

class AboutBox;
class DeviceDialog;
class StatusLine;
class MainWindow;
class MessageSink;
class UrlOpener;
class WaveOutDriver;

// What the shell is given from outside: the program passes the system's devices, message boxes and
// desktop services; the tests pass the virtual device, recorders and a temporary folder.
struct ShellServices {
    WaveOutDriver& Driver;
    MessageSink& Messages;
    UrlOpener& Urls;
    QString ProgramFolder;     // the executable's folder, ending in "/"; empty when unknown
    QString UserConfigFolder;  // the user's configuration folder, ending in "/" (DataFolderPath)
    PanelHostFactory Panels;   // makes the channel panels of each run
};

// The application: owns the one output stream, the ten memory slots, the program's folder and the
// main window with its device dialog and About box, and dispatches every event of those windows
// by their fixed window, control and menu numbers. UI thread only.
class Shell final : public QObject {
    Q_OBJECT

  public:
    // Start-up: window, menus, panel area, settings file, first refresh. The window is not shown
    // yet.
    explicit Shell(ShellServices services);
    ~Shell() override;
    Shell(const Shell&) = delete;
    Shell& operator=(const Shell&) = delete;

    void Show();

    // The dispatch tables.
    void DispatchWindowEvent(int window, WindowEvent event);
    void DispatchControl(int window, int control);
    void DispatchMenu(int id);

    // Brings the menu and the panel area in step with the run state and the slot names; `parts`
    // combines RefreshLayout, RefreshRunState and RefreshSlotLabels.
    void RefreshShell(int parts);

    // Leaving: stops the stream whatever its state (silently) and writes the settings file.
    void Leave();

    bool IsQuitRequested() const { return quitRequested_; }

    // For the program's frame and the tests.
    MainWindow& Window() const { return *window_; }
    QScrollArea& PanelArea() const { return *panelArea_; }
    QAction* MenuAction(int id) const;
    QMenu& UnitMenu() const { return *menus_.UnitMenu; }
    DeviceDialog* DeviceWindow() const;  // null while closed
    StatusLine& Status() const { return *statusLine_; }
    AboutBox* AboutWindow() const;  // null while closed
    OutputStream& Stream() { return stream_; }
    MemorySlots& Slots() { return slots_; }
    const QString& ProgramFolder() const { return programFolder_; }
    QString SettingsPath() const;
    QString HelpPath() const;

  signals:
    // The close box or "&Beenden": the event loop should end; Leave follows.
    void QuitRequested();

  private:
    void BuildPanelArea();
    void ConnectDispatch();
    void RequestQuit();
    void OpenDeviceDialog();
    void CloseDeviceDialog();
    void StartGenerator();
    bool StopGenerator();
    // While running: refreshes the status line, and stops with a message once the engine gave
    // up a lost device.
    void PollStream();
    void ShowStatusLine();
    void HideStatusLine();
    void WriteAndOpenHelp();
    void OpenAboutWindow();
    void CloseAboutWindow();

    ShellServices services_;
    OutputStream stream_;
    MemorySlots slots_;
    QString programFolder_;
    // Where the settings file and the help file live (see DataFolderPath); created when a file
    // is written there.
    QString dataFolder_;
    bool quitRequested_ = false;

    std::unique_ptr<MainWindow> window_;
    QScrollArea* panelArea_ = nullptr;  // owned by the window
    StatusLine* statusLine_ = nullptr;  // owned by the window
    // Polls the running stream's status (the engine never signals the UI thread itself).
    QTimer streamPoll_;
    QString runningDevice_;  // the device list's entry the running stream was started on
    // How much the window grew to make room for the status line, so that the panel area keeps
    // its size; given back when the status line goes.
    int statusLineGrowth_ = 0;
    ShellMenus menus_;
    QPointer<DeviceDialog> deviceDialog_;
    QPointer<AboutBox> aboutBox_;
    // Declared after the window: the panels go before the window that holds them.
    std::unique_ptr<PanelHost> panels_;
};

}  // namespace tonquelle
