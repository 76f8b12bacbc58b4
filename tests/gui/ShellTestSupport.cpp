#include "tests/gui/ShellTestSupport.h"

#include <QTreeWidget>

#include "synth/SpeakerLayout.h"

namespace tonquelle::testing {

void ShellTest::Start(std::uint32_t mask) {
    if (shell->DeviceWindow() == nullptr) {
        shell->DispatchMenu(MenuStartStop);
    }
    DeviceDialog& dialog = *shell->DeviceWindow();
    auto& speakers = *static_cast<QTreeWidget*>(dialog.Control(SpeakerListControl));
    for (int bit = 0; bit < SpeakerCount; ++bit) {
        speakers.topLevelItem(bit)->setCheckState(
            0, ((mask >> bit) & 1u) != 0 ? Qt::Checked : Qt::Unchecked);
    }
    QTest::mouseClick(dialog.Control(DeviceOkControl), Qt::LeftButton);
}

}  // namespace tonquelle::testing
