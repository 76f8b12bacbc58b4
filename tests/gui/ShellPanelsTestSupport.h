#pragma once

#include <deque>

#include "app/ChannelPanelHost.h"
#include "tests/gui/QStringPrinter.h"
#include "tests/gui/ShellTestSupport.h"

namespace tonquelle::testing {

// Answers the panels' questions for the user and records the name prompts.
class RecordingPrompts final : public PanelPrompts {
  public:
    QString ChooseWaveformFile(QWidget*) override { return NextFile; }
    QString AskSlotName(QWidget*, const QString& preset) override {
        Presets.push_back(preset);
        if (Answers.empty()) {
            return QString();  // cancelled
        }
        QString answer = Answers.front();
        Answers.pop_front();
        return answer;
    }

    QString NextFile;
    std::deque<QString> Answers;
    std::vector<QString> Presets;
};

// The whole program on the virtual device, with the real channel panels and memory-slot
// commands.
class ShellPanelsTest : public ShellTest {
  protected:
    Shell& MakeShellWithPanels() {
        shell.reset();
        PanelHostFactory factory = [this](const PanelContext& context) {
            auto recording = std::make_unique<RecordingPrompts>();
            prompts = recording.get();
            auto made = std::make_unique<ChannelPanelHost>(context, std::move(recording));
            host = made.get();
            return made;
        };
        shell = std::make_unique<Shell>(
            ShellServices{driver, messages, urls, ProgramFolder(), UserFolder(), factory});
        return *shell;
    }

    const ChannelPanel& Panel(int index) const { return *host->Panels().Panels().at(index); }
    template <class Widget>
    Widget* Control(PanelControl which, int panel = 0) const {
        return Panel(panel).ControlAs<Widget>(which);
    }
    QString TextOf(PanelControl which, int panel = 0) const;
    ChannelSettings& Edited(int channel) { return shell->Stream().Channels[channel].EditSettings; }
    ChannelSettings Published(int channel) {
        std::lock_guard lock(shell->Stream().SettingsLock);
        return shell->Stream().Channels[channel].PendingSettings;
    }

    ChannelPanelHost* host = nullptr;
    RecordingPrompts* prompts = nullptr;
};

}  // namespace tonquelle::testing
