// The output device dialog on its own: layout, list contents, preselection with fallbacks and
// reading back; and the list selection by item data that the panels share.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QPushButton>
#include <QSignalSpy>
#include <QTreeWidget>

#include "audio/ComboSelect.h"
#include "audio/DeviceDialog.h"
#include "audio/VirtualWaveOut.h"

namespace tonquelle::testing {
namespace {

class DeviceDialogTest : public ::testing::Test {
  protected:
    DeviceDialogTest() {
        owner.setGeometry(100, 100, 850, 434);
        driver.SetDevices({{-1, "Standardgerät"}, {0, "Karte A"}, {1, "Karte B"}});
        config = {.OutputDevice = -1,
                  .SampleRate = 44100,
                  .Resolution = 16,
                  .BufferLength = 250,
                  .ChannelMask = 0x3,
                  .ChannelCount = 2};
    }

    DeviceDialog& Open() {
        dialog = std::make_unique<DeviceDialog>(config, driver, owner);
        return *dialog;
    }
    QComboBox& List(int control) { return *static_cast<QComboBox*>(dialog->Control(control)); }
    QTreeWidget& Speakers() {
        return *static_cast<QTreeWidget*>(dialog->Control(SpeakerListControl));
    }
    void Check(std::uint32_t mask) {
        for (int row = 0; row < 18; ++row) {
            Speakers().topLevelItem(row)->setCheckState(
                0, ((mask >> row) & 1u) != 0 ? Qt::Checked : Qt::Unchecked);
        }
    }
    std::uint32_t CheckedRows() {
        std::uint32_t mask = 0;
        for (int row = 0; row < Speakers().topLevelItemCount(); ++row) {
            if (Speakers().topLevelItem(row)->checkState(0) == Qt::Checked) {
                mask |= 1u << row;
            }
        }
        return mask;
    }

    QWidget owner;
    VirtualWaveOutDriver driver;
    OutputConfig config;
    std::unique_ptr<DeviceDialog> dialog;
};

using DeviceDialogLayout = DeviceDialogTest;
using DeviceDialogPreselection = DeviceDialogTest;
using DeviceDialogReadBack = DeviceDialogTest;

TEST_F(DeviceDialogLayout, ControlsSitAtTheirPlacesWithTheirTexts) {
    Open();
    EXPECT_EQ(dialog->windowTitle(), QString::fromUtf8("Ausgabegerät konfigurieren"));
    EXPECT_EQ(dialog->size(), QSize(415, 250));
    EXPECT_EQ(dialog->minimumSize(), dialog->maximumSize());
    struct Placed {
        int Number;
        QRect Geometry;
        const char* Text;
    };
    const Placed table[] = {
        {1, {5, 5, 200, 50}, "Ausgabegerät"},   {2, {15, 25, 180, 20}, nullptr},
        {3, {5, 60, 200, 50}, "Abtastrate"},    {4, {15, 80, 180, 20}, nullptr},
        {5, {5, 115, 200, 50}, "Auflösung"},    {6, {15, 135, 180, 20}, nullptr},
        {7, {5, 170, 200, 50}, "Pufferlänge"},  {8, {15, 190, 180, 20}, nullptr},
        {9, {210, 5, 200, 215}, "Kanäle"},      {10, {220, 25, 180, 185}, nullptr},
        {11, {105, 225, 100, 20}, "Abbrechen"}, {12, {210, 225, 100, 20}, "OK"},
    };
    for (const Placed& placed : table) {
        QWidget* control = dialog->Control(placed.Number);
        ASSERT_NE(control, nullptr) << placed.Number;
        EXPECT_EQ(control->geometry(), placed.Geometry) << placed.Number;
        if (auto* frame = qobject_cast<QGroupBox*>(control)) {
            EXPECT_EQ(frame->title(), QString::fromUtf8(placed.Text));
        } else if (auto* button = qobject_cast<QPushButton*>(control)) {
            EXPECT_EQ(button->text(), QString::fromUtf8(placed.Text));
        }
    }
    for (int list : {2, 4, 6, 8}) {
        EXPECT_FALSE(List(list).isEditable()) << list;
    }
    EXPECT_EQ(Speakers().headerItem()->text(0), "Kanal");
    EXPECT_EQ(Speakers().columnCount(), 1);
    EXPECT_EQ(Speakers().columnWidth(0), 140);
    EXPECT_FALSE(Speakers().rootIsDecorated());
}

TEST_F(DeviceDialogLayout, NonModalOwnedCentredAndWithoutCloseBox) {
    Open();
    EXPECT_EQ(dialog->parentWidget(), &owner);
    EXPECT_TRUE(dialog->isWindow());
    EXPECT_FALSE(dialog->isModal());
    EXPECT_FALSE(dialog->windowFlags().testFlag(Qt::WindowCloseButtonHint));
    EXPECT_FALSE(dialog->windowFlags().testFlag(Qt::WindowSystemMenuHint));
    EXPECT_TRUE(dialog->windowFlags().testFlag(Qt::WindowTitleHint));
    EXPECT_EQ(dialog->geometry().center(), owner.geometry().center());
    dialog->show();
    dialog->close();  // a window manager's close request
    EXPECT_TRUE(dialog->isVisible());
}

TEST_F(DeviceDialogLayout, ListsCarryTheirValuesAsItemData) {
    Open();
    const auto expect = [this](int control,
                               const std::vector<std::pair<const char*, int>>& entries) {
        ASSERT_EQ(List(control).count(), static_cast<int>(entries.size())) << control;
        for (int i = 0; i < List(control).count(); ++i) {
            EXPECT_EQ(List(control).itemText(i), QString::fromUtf8(entries[i].first));
            EXPECT_EQ(List(control).itemData(i).toInt(), entries[i].second);
        }
    };
    expect(DeviceListControl, {{"Standardgerät", -1}, {"Karte A", 0}, {"Karte B", 1}});
    expect(SampleRateListControl, {{"8000 Hz", 8000},
                                   {"11025 Hz", 11025},
                                   {"22050 Hz", 22050},
                                   {"44100 Hz", 44100},
                                   {"48000 Hz", 48000},
                                   {"96000 Hz", 96000},
                                   {"192000 Hz", 192000}});
    expect(ResolutionListControl, {{"8 Bit", 8}, {"16 Bit", 16}, {"24 Bit", 24}, {"32 Bit", 32}});
    expect(BufferLengthListControl,
           {{"50 ms", 50}, {"100 ms", 100}, {"250 ms", 250}, {"500 ms", 500}, {"1000 ms", 1000}});
    ASSERT_EQ(Speakers().topLevelItemCount(), 18);
    EXPECT_EQ(Speakers().topLevelItem(0)->text(0), "Front Left");
    EXPECT_EQ(Speakers().topLevelItem(3)->text(0), "Low Frequency");
    EXPECT_EQ(Speakers().topLevelItem(7)->text(0), "Front Right of Center");
    EXPECT_EQ(Speakers().topLevelItem(17)->text(0), "Top Back Right");
    EXPECT_TRUE(Speakers().topLevelItem(9)->flags().testFlag(Qt::ItemIsUserCheckable));
}

TEST_F(DeviceDialogPreselection, StoredValuesAreSelected) {
    config = {.OutputDevice = 1,
              .SampleRate = 96000,
              .Resolution = 24,
              .BufferLength = 50,
              .ChannelMask = 0x3F,
              .ChannelCount = 6};
    Open();
    EXPECT_EQ(List(DeviceListControl).currentText(), "Karte B");
    EXPECT_EQ(List(SampleRateListControl).currentText(), "96000 Hz");
    EXPECT_EQ(List(ResolutionListControl).currentText(), "24 Bit");
    EXPECT_EQ(List(BufferLengthListControl).currentText(), "50 ms");
    EXPECT_EQ(CheckedRows(), 0x3Fu);
}

TEST_F(DeviceDialogPreselection, UnknownValuesFallBackToTheirDefaultEntries) {
    driver.SetDevices({{-1, "Standardgerät"}, {0, "Karte A"}});
    config = {.OutputDevice = 3,
              .SampleRate = 12345,
              .Resolution = 12,
              .BufferLength = 300,
              .ChannelMask = 1 << 20,
              .ChannelCount = 1};
    Open();
    EXPECT_EQ(List(DeviceListControl).currentIndex(), 0);
    EXPECT_EQ(List(SampleRateListControl).currentText(), "44100 Hz");
    EXPECT_EQ(List(ResolutionListControl).currentText(), "16 Bit");
    EXPECT_EQ(List(BufferLengthListControl).currentText(), "250 ms");
    EXPECT_EQ(CheckedRows(), 0u);  // bits above 17 have no row
    EXPECT_FALSE(dialog->ReadDeviceDialog(config));
    EXPECT_EQ(config.ChannelMask, 0);
}

TEST_F(DeviceDialogReadBack, CheckedRowsBecomeMaskAndCount) {
    config.ChannelMask = 0;
    Open();
    Speakers().topLevelItem(2)->setCheckState(0, Qt::Checked);  // Front Center
    Speakers().topLevelItem(4)->setCheckState(0, Qt::Checked);  // Back Left
    List(DeviceListControl).setCurrentIndex(2);
    List(SampleRateListControl).setCurrentIndex(6);
    List(ResolutionListControl).setCurrentIndex(3);
    List(BufferLengthListControl).setCurrentIndex(4);
    OutputConfig read;
    ASSERT_TRUE(dialog->ReadDeviceDialog(read));
    EXPECT_EQ(read.OutputDevice, 1);
    EXPECT_EQ(read.SampleRate, 192000);
    EXPECT_EQ(read.Resolution, 32);
    EXPECT_EQ(read.BufferLength, 1000);
    EXPECT_EQ(read.ChannelMask, 20);
    EXPECT_EQ(read.ChannelCount, 2);
}

TEST_F(DeviceDialogReadBack, OneToEightSpeakersAreAccepted) {
    Open();
    OutputConfig read;
    Check(0x20000);
    EXPECT_TRUE(dialog->ReadDeviceDialog(read));
    Check(0x3FC00);  // eight rows: bits 10..17
    EXPECT_TRUE(dialog->ReadDeviceDialog(read));
    EXPECT_EQ(read.ChannelCount, 8);
    Check(0x3FE00);  // nine
    EXPECT_FALSE(dialog->ReadDeviceDialog(read));
    EXPECT_EQ(read.ChannelMask, 0x3FE00);  // written before the count is judged
    EXPECT_EQ(read.ChannelCount, 9);
    Check(0);
    EXPECT_FALSE(dialog->ReadDeviceDialog(read));
    EXPECT_EQ(read.ChannelCount, 0);
}

TEST_F(DeviceDialogReadBack, WithoutDevicesNothingIsSelectedAndNothingWritten) {
    driver.SetDevices({});
    Open();
    EXPECT_EQ(List(DeviceListControl).count(), 0);
    EXPECT_EQ(List(DeviceListControl).currentIndex(), -1);
    OutputConfig read{.OutputDevice = 7,
                      .SampleRate = 1,
                      .Resolution = 2,
                      .BufferLength = 3,
                      .ChannelMask = 4,
                      .ChannelCount = 5};
    EXPECT_FALSE(dialog->ReadDeviceDialog(read));
    EXPECT_EQ(read.OutputDevice, 7);
    EXPECT_EQ(read.SampleRate, 1);
    EXPECT_EQ(read.ChannelMask, 4);
}

TEST_F(DeviceDialogReadBack, AListWithoutSelectionStopsAfterTheListsBeforeIt) {
    Open();
    List(ResolutionListControl).setCurrentIndex(-1);
    OutputConfig read;
    EXPECT_FALSE(dialog->ReadDeviceDialog(read));
    EXPECT_EQ(read.OutputDevice, -1);
    EXPECT_EQ(read.SampleRate, 44100);
    EXPECT_EQ(read.Resolution, 0);
    EXPECT_EQ(read.BufferLength, 0);
    EXPECT_EQ(read.ChannelMask, 0);
}

TEST(SelectComboItemByData, TheLastMatchingEntryWinsElseTheFallback) {
    QComboBox list;
    list.addItem("a", 5);
    list.addItem("b", 7);
    list.addItem("c", 5);
    list.addItem("d");  // no item data: matches nothing, not even 0
    QSignalSpy changed(&list, &QComboBox::currentIndexChanged);
    QSignalSpy activated(&list, &QComboBox::activated);

    EXPECT_EQ(SelectComboItemByData(list, 5, 1), 2);
    EXPECT_EQ(list.currentIndex(), 2);
    EXPECT_EQ(SelectComboItemByData(list, 7, -1), 1);
    EXPECT_EQ(list.currentIndex(), 1);
    EXPECT_EQ(SelectComboItemByData(list, 0, 3), 3);
    EXPECT_EQ(list.currentIndex(), 3);
    EXPECT_EQ(SelectComboItemByData(list, 9, -1), -1);
    EXPECT_EQ(list.currentIndex(), -1);
    EXPECT_EQ(SelectComboItemByData(list, 9, 8), 8);  // a fallback outside the list: no selection
    EXPECT_EQ(list.currentIndex(), -1);
    // Selections made by the program are not user actions.
    EXPECT_EQ(changed.count(), 0);
    EXPECT_EQ(activated.count(), 0);
}

}  // namespace
}  // namespace tonquelle::testing
