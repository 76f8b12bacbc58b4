#pragma once

#include <memory>

#include "app/PanelHost.h"
#include "app/PanelPrompts.h"
#include "channel/ChannelPanelList.h"
#include "channel/PanelDialogs.h"

namespace tonquelle {

// The shell's panel host: the running channels' panels with their dispatch, and the
// memory-slot commands on them. UI thread only.
class ChannelPanelHost final : public PanelHost, private PanelDialogs {
  public:
    // Without `prompts` the host asks with the program's dialogs.
    explicit ChannelPanelHost(const PanelContext& context,
                              std::unique_ptr<PanelPrompts> prompts = nullptr);
    ~ChannelPanelHost() override;

    void CreatePanels(QWidget& panelArea) override;
    void DestroyPanels() override;
    void LoadSlot(int slot) override;
    bool SaveSlot(int slot) override;
    void ApplyUnitChoice(int unit) override;

    const ChannelPanelList& Panels() const { return panels_; }

  private:
    QString ChooseWaveformFile(QWidget* owner) override;
    void ShowError(QWidget* owner, const QString& text) override;

    PanelContext context_;
    std::unique_ptr<PanelPrompts> prompts_;
    ChannelPanelList panels_;
};

// What the program hands the shell to make its panel host.
PanelHostFactory ChannelPanelHostFactory();

}  // namespace tonquelle
