#include "app/Shell.h"

#include <QAction>
#include <QDir>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QScrollArea>
#include <QScrollBar>
#include <QUrl>
#include <filesystem>

#include "app/AboutBox.h"
#include "app/DataFolder.h"
#include "app/DeviceDialog.h"
#include "app/DeviceMessages.h"
#include "app/HelpDocument.h"
#include "app/MainWindow.h"
#include "app/MessageSink.h"
#include "app/Resources.h"
#include "app/ScrollBarRoom.h"
#include "app/StatusLine.h"
#include "app/UrlOpener.h"
#include "audio/StreamEngine.h"
#include "channel/PanelSyncBits.h"
#include "synth/Renderer.h"
#include "synth/SoftTransition.h"

namespace tonquelle {

namespace {

const QString InvalidSettingsText = QStringLiteral(
    "Unzulässige Einstellungen! Möglicherweise ist die Anzahl der ausgewählten Kanäle "
    "unzulässig.");
const QString StartFailedText =
    QStringLiteral("Beim Starten des Funktionsgenerators ist ein Fehler aufgetreten!");
const QString StopFailedText =
    QStringLiteral("Beim Beenden des Funktionsgenerators ist ein Fehler aufgetreten!");
const QString HelpNotOpenedText = QStringLiteral(
    "Die Hilfedatei \"%1\" wurde geschrieben, aber das System konnte sie nicht öffnen. Bitte "
    "öffnen Sie sie selbst in einem Webbrowser.");

std::filesystem::path FileSystemPath(const QString& path) {
    return std::filesystem::path(path.toStdU16String());
}

void BringToFront(QWidget& window) {
    window.show();
    window.raise();
    window.activateWindow();
}

// Routes the controls of window `number` to the shell's dispatch and shows the window.
template <typename Window>
void ConnectAndShow(Shell& shell, Window& window, int number) {
    QObject::connect(&window, &Window::ControlActivated, &shell,
                     [&shell, number](int control) { shell.DispatchControl(number, control); });
    BringToFront(window);
}

template <typename Window>
void CloseOwnedWindow(QPointer<Window>& window) {
    if (!window) {
        return;
    }
    // The window may be inside its own button's signal: delete it once that has returned.
    window->hide();
    window->deleteLater();
    window = nullptr;
}

// How often the status line and the stream's health are looked at while running.
constexpr int StreamPollMs = 250;

bool IsSlotMenu(int id, int first) {
    return id >= first && id < first + MemorySlotCount;
}

}  // namespace

Shell::Shell(ShellServices services)
    : services_(std::move(services)), programFolder_(services_.ProgramFolder) {
    stream_.Driver = &services_.Driver;
    dataFolder_ = DataFolderPath(programFolder_, services_.UserConfigFolder);

    window_ = std::make_unique<MainWindow>();
    window_->setWindowIcon(ProgramIcon());
    window_->setMinimumSize(MainMinimumWidth, MainMinimumHeight);
    menus_ = BuildShellMenus(*window_);
    BuildPanelArea();
    statusLine_ = new StatusLine(window_.get());
    window_->setStatusBar(statusLine_);
    streamPoll_.setInterval(StreamPollMs);
    connect(&streamPoll_, &QTimer::timeout, this, &Shell::PollStream);
    window_->resize(MainClientWidth, MainClientHeight + window_->menuBar()->sizeHint().height());

    const PanelContext context{stream_, slots_, services_.Messages, *window_, *menus_.UnitMenu};
    panels_ = services_.Panels(context);

    LoadSettings(FileSystemPath(SettingsPath()), stream_.Config, slots_);
    SetSoftTransitions(stream_, stream_.Config.SoftTransitions != 0);
    menus_.Actions[MenuSoftTransitions]->setChecked(stream_.Config.SoftTransitions != 0);
    ConnectDispatch();
    RefreshShell(RefreshAll);
}

Shell::~Shell() {
    // Nothing may play into a stream record that is going away.
    StopOutput(stream_);
}

void Shell::BuildPanelArea() {
    panelArea_ = new QScrollArea(window_.get());
    panelArea_->setObjectName(QStringLiteral("control%1").arg(PanelAreaControl));
    panelArea_->setFrameShape(QFrame::NoFrame);
    panelArea_->setWidgetResizable(false);
    auto* inner = new QWidget;
    inner->setFixedSize(StoppedPanelAreaSize, StoppedPanelAreaSize);
    panelArea_->setWidget(inner);
    panelArea_->horizontalScrollBar()->setSingleStep(PanelAreaScrollStep);
    panelArea_->verticalScrollBar()->setSingleStep(PanelAreaScrollStep);
    new ScrollBarRoom(*window_, *panelArea_);
    window_->setCentralWidget(panelArea_);
}

void Shell::ConnectDispatch() {
    connect(window_.get(), &MainWindow::WindowEventOccurred, this,
            [this](WindowEvent event) { DispatchWindowEvent(MainWindowNumber, event); });
    for (QAction* action : menus_.Actions) {
        connect(action, &QAction::triggered, this,
                [this, action] { DispatchMenu(action->data().toInt()); });
    }
}

void Shell::Show() {
    window_->show();
}

QAction* Shell::MenuAction(int id) const {
    return id >= 0 && id < MenuIdentifierCount ? menus_.Actions[static_cast<std::size_t>(id)]
                                               : nullptr;
}

DeviceDialog* Shell::DeviceWindow() const {
    return deviceDialog_;
}

AboutBox* Shell::AboutWindow() const {
    return aboutBox_;
}

QString Shell::SettingsPath() const {
    return dataFolder_ + QStringLiteral("tonquelle.ini");
}

QString Shell::HelpPath() const {
    return dataFolder_ + QStringLiteral("tonquelle.htm");
}

void Shell::DispatchWindowEvent(int window, WindowEvent event) {
    if (window != MainWindowNumber) {
        return;
    }
    switch (event) {
        case WindowEvent::Close:
            RequestQuit();
            break;
        case WindowEvent::Resize:
            RefreshShell(RefreshLayout);
            break;
    }
}

void Shell::DispatchControl(int window, int control) {
    if (window == DeviceWindowNumber) {
        if (control == DeviceCancelControl) {
            CloseDeviceDialog();
        } else if (control == DeviceOkControl) {
            StartGenerator();
        }
    } else if (window == AboutWindowNumber) {
        if (control == AboutLinkControl) {
            services_.Urls.Open(QUrl(QString::fromLatin1(HomePageAddress)));
        } else if (control == AboutOkControl) {
            CloseAboutWindow();
        }
    }
    // The main window's own controls are the panels'; they handle their events themselves, and
    // the panel area (control 0) has none.
}

void Shell::DispatchMenu(int id) {
    switch (id) {
        case MenuStartStop:
            if (IsRunning(stream_)) {
                StopGenerator();
            } else if (deviceDialog_) {
                BringToFront(*deviceDialog_);
            } else {
                OpenDeviceDialog();
            }
            return;
        case MenuQuit:
            RequestQuit();
            return;
        case MenuHelp:
            WriteAndOpenHelp();
            return;
        case MenuAbout:
            if (aboutBox_) {
                BringToFront(*aboutBox_);
            } else {
                OpenAboutWindow();
            }
            return;
        case MenuUnitFactor:
            panels_->ApplyUnitChoice(UnitLinear);
            return;
        case MenuUnitDecibel:
            panels_->ApplyUnitChoice(UnitDecibel);
            return;
        case MenuSoftTransitions:  // the entry has switched its check mark already
            SetSoftTransitions(stream_, menus_.Actions[MenuSoftTransitions]->isChecked());
            return;
        default:
            break;
    }
    // The slot commands work on running channels only; their entries are disabled otherwise.
    if (!IsRunning(stream_)) {
        return;
    }
    if (IsSlotMenu(id, MenuLoadSlot)) {
        panels_->LoadSlot(id - MenuLoadSlot);
    } else if (IsSlotMenu(id, MenuSaveSlot) && panels_->SaveSlot(id - MenuSaveSlot)) {
        RefreshShell(RefreshSlotLabels);
    }
}

void Shell::RefreshShell(int parts) {
    const bool running = IsRunning(stream_);
    if ((parts & RefreshRunState) != 0) {
        menus_.Actions[MenuStartStop]->setText(StartStopText(running));
        for (int slot = 0; slot < MemorySlotCount; ++slot) {
            MenuAction(MenuLoadSlot + slot)->setEnabled(running);
            MenuAction(MenuSaveSlot + slot)->setEnabled(running);
        }
    }
    if ((parts & RefreshSlotLabels) != 0) {
        for (int slot = 0; slot < MemorySlotCount; ++slot) {
            const QString name =
                QString::fromStdString(slots_[static_cast<std::size_t>(slot)].Name);
            MenuAction(MenuLoadSlot + slot)->setText(LoadSlotText(name, slot));
            MenuAction(MenuSaveSlot + slot)->setText(SaveSlotText(name, slot));
        }
    }
    if ((parts & RefreshLayout) != 0) {
        // The window's layout puts the panel area under the menu bar, filling the rest.
        QLayout& layout = *window_->layout();
        layout.invalidate();
        layout.activate();
    }
    if ((parts & RefreshRunState) != 0) {
        const QSize inner =
            running
                ? QSize(PanelAreaWidth, stream_.Config.ChannelCount * PanelPitch + PanelAreaMargin)
                : QSize(StoppedPanelAreaSize, StoppedPanelAreaSize);
        panelArea_->widget()->setFixedSize(inner);
    }
}

void Shell::RequestQuit() {
    quitRequested_ = true;
    emit QuitRequested();
}

void Shell::Leave() {
    StopOutput(stream_);
    MakeDataFolder(dataFolder_);
    SaveSettings(FileSystemPath(SettingsPath()), stream_.Config, slots_);
}

void Shell::OpenDeviceDialog() {
    deviceDialog_ = new DeviceDialog(stream_.Config, services_.Driver, *window_);
    ConnectAndShow(*this, *deviceDialog_, DeviceWindowNumber);
}

void Shell::CloseDeviceDialog() {
    CloseOwnedWindow(deviceDialog_);
}

void Shell::StartGenerator() {
    if (!deviceDialog_) {
        return;
    }
    OutputConfig& config = stream_.Config;
    if (!deviceDialog_->ReadDeviceDialog(config)) {
        services_.Messages.ShowError(deviceDialog_, InvalidSettingsText);
        return;
    }
    for (std::int32_t channel = 0; channel < config.ChannelCount; ++channel) {
        stream_.Channels[static_cast<std::size_t>(channel)].EditSettings = ChannelSettings{};
    }
    PublishChannel(stream_, -1);
    if (!StartOutput(stream_)) {
        // The device's reason, where it gave one, on a second line.
        const QString reason = RefusalText(stream_.StartRefusal, config);
        services_.Messages.ShowError(
            deviceDialog_, reason.isEmpty() ? StartFailedText : StartFailedText + u'\n' + reason);
        return;
    }
    runningDevice_ = deviceDialog_->SelectedDeviceName();
    CloseDeviceDialog();
    RefreshShell(RefreshRunState);
    panels_->CreatePanels(*panelArea_->widget());
    ShowStatusLine();
}

bool Shell::StopGenerator() {
    if (!StopOutput(stream_)) {
        services_.Messages.ShowError(window_.get(), StopFailedText);
        return false;
    }
    HideStatusLine();
    panels_->DestroyPanels();
    RefreshShell(RefreshRunState);
    return true;
}

void Shell::ShowStatusLine() {
    PollStream();
    streamPoll_.start();
    if (!window_->isMaximized() && !window_->isFullScreen()) {
        statusLineGrowth_ = statusLine_->sizeHint().height();
        window_->resize(window_->width(), window_->height() + statusLineGrowth_);
    }
}

void Shell::HideStatusLine() {
    streamPoll_.stop();
    statusLine_->HideStopped();
    if (statusLineGrowth_ != 0 && !window_->isMaximized() && !window_->isFullScreen()) {
        window_->resize(window_->width(), window_->height() - statusLineGrowth_);
    }
    statusLineGrowth_ = 0;
}

void Shell::PollStream() {
    const StreamStatus status = ReadStreamStatus(stream_);
    if (status.Health != StreamHealth::Lost) {
        statusLine_->ShowRunning(runningDevice_, stream_.Config, status);
        return;
    }
    // Stopped as the stop command would; the message follows, once.
    streamPoll_.stop();
    if (StopGenerator()) {
        services_.Messages.ShowError(window_.get(), DeviceLostText(status.LossReason));
    }
}

void Shell::WriteAndOpenHelp() {
    const QString path = HelpPath();
    const QString shownPath = QDir::toNativeSeparators(path);
    if (!MakeDataFolder(dataFolder_) || !WriteHelpDocument(path)) {
        services_.Messages.ShowError(
            window_.get(),
            QStringLiteral("Die Datei \"%1\" konnte nicht erstellt werden!").arg(shownPath));
        return;
    }
    if (!services_.Urls.Open(QUrl::fromLocalFile(path))) {
        services_.Messages.ShowError(window_.get(), HelpNotOpenedText.arg(shownPath));
    }
}

void Shell::OpenAboutWindow() {
    aboutBox_ = new AboutBox(*window_);
    ConnectAndShow(*this, *aboutBox_, AboutWindowNumber);
}

void Shell::CloseAboutWindow() {
    CloseOwnedWindow(aboutBox_);
}

}  // namespace tonquelle
