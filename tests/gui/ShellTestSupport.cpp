#include "tests/gui/ShellTestSupport.h"

#include <QPushButton>
#include <QTreeWidget>

#include "synth/SpeakerLayout.h"

namespace tonquelle::testing {

DeviceDialog& ShellTest::OpenDialogWithSpeakers(std::uint32_t mask) {
    if (shell->DeviceWindow() == nullptr) {
        shell->DispatchMenu(MenuStartStop);
    }
    DeviceDialog& dialog = *shell->DeviceWindow();
    auto& speakers = *static_cast<QTreeWidget*>(dialog.Control(SpeakerListControl));
    for (int bit = 0; bit < SpeakerCount; ++bit) {
        speakers.topLevelItem(bit)->setCheckState(
            0, ((mask >> bit) & 1u) != 0 ? Qt::Checked : Qt::Unchecked);
    }
    return dialog;
}

void ShellTest::PressDialogButton(int control) {
    ASSERT_NE(shell->DeviceWindow(), nullptr);
    QTest::mouseClick(static_cast<QPushButton*>(shell->DeviceWindow()->Control(control)),
                      Qt::LeftButton);
}

}  // namespace tonquelle::testing
