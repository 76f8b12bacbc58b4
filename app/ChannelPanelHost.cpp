#include "app/ChannelPanelHost.h"

#include <QMainWindow>

#include "app/MemorySlotCommands.h"
#include "app/MessageSink.h"

namespace tonquelle {

ChannelPanelHost::ChannelPanelHost(const PanelContext& context,
                                   std::unique_ptr<PanelPrompts> prompts)
    : context_(context),
      prompts_(prompts ? std::move(prompts) : std::make_unique<DialogPrompts>()),
      panels_(context.Stream, *this, context.MainWindow, context.UnitMenu) {}

ChannelPanelHost::~ChannelPanelHost() = default;

void ChannelPanelHost::CreatePanels(QWidget& panelArea) {
    panels_.CreatePanels(panelArea);
}

void ChannelPanelHost::DestroyPanels() {
    panels_.DestroyPanels();
}

void ChannelPanelHost::LoadSlot(int slot) {
    if (slot < 0 || slot >= MemorySlotCount) {
        return;
    }
    tonquelle::LoadSlot(context_.Slots[static_cast<std::size_t>(slot)], panels_.Panels(),
                        context_.Stream);
}

bool ChannelPanelHost::SaveSlot(int slot) {
    if (slot < 0 || slot >= MemorySlotCount) {
        return false;
    }
    MemorySlot& target = context_.Slots[static_cast<std::size_t>(slot)];
    const QString answer =
        prompts_->AskSlotName(&context_.MainWindow, QString::fromStdString(target.Name));
    return tonquelle::SaveSlot(target, answer, panels_.Panels());
}

void ChannelPanelHost::ApplyUnitChoice(int unit) {
    panels_.ApplyUnitChoice(unit);
}

QString ChannelPanelHost::ChooseWaveformFile(QWidget* owner) {
    return prompts_->ChooseWaveformFile(owner);
}

void ChannelPanelHost::ShowError(QWidget* owner, const QString& text) {
    context_.Messages.ShowError(owner, text);
}

PanelHostFactory ChannelPanelHostFactory() {
    return [](const PanelContext& context) { return std::make_unique<ChannelPanelHost>(context); };
}

}  // namespace tonquelle
