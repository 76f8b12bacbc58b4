#include "app/DeviceDialog.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>
#include <array>

#include "audio/WaveOut.h"
#include "channel/ComboSelect.h"
#include "synth/SpeakerLayout.h"

namespace tonquelle {

namespace {

constexpr int DialogWidth = 415;
constexpr int DialogHeight = 250;
constexpr int SpeakerColumnWidth = 140;

constexpr std::array SampleRates = {8000, 11025, 22050, 44100, 48000, 96000, 192000};
constexpr int SampleRateFallback = 3;  // 44100 Hz
constexpr std::array Resolutions = {8, 16, 24, 32};
constexpr int ResolutionFallback = 1;  // 16 Bit
constexpr std::array BufferLengths = {50, 100, 250, 500, 1000};
constexpr int BufferLengthFallback = 2;  // 250 ms
constexpr int DeviceFallback = 0;        // the first entry: the system's default output

template <std::size_t N>
void AddEntries(QComboBox& list, const std::array<int, N>& values, const QString& unit) {
    for (const int value : values) {
        list.addItem(QString::number(value) + unit, value);
    }
}

// Writes the selected entry's item data to `field`; false when nothing is selected.
bool ReadSelection(const QComboBox& list, std::int32_t& field) {
    if (list.currentIndex() < 0) {
        return false;
    }
    field = list.currentData().toInt();
    return true;
}

}  // namespace

DeviceDialog::DeviceDialog(const OutputConfig& config, WaveOutDriver& driver, QWidget& owner)
    : QWidget(&owner, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    setWindowTitle(QStringLiteral("Ausgabegerät konfigurieren"));
    setFixedSize(DialogWidth, DialogHeight);
    Build();
    Fill(config, driver);
    move(owner.geometry().center() - rect().center());
}

void DeviceDialog::Build() {
    const auto frame = [this](int number, const char* title, QRect geometry) {
        auto* box = new QGroupBox(QString::fromUtf8(title), this);
        box->setObjectName(QStringLiteral("control%1").arg(number));
        box->setGeometry(geometry);
    };
    const auto list = [this](int number, QRect geometry) {
        auto* combo = new QComboBox(this);
        combo->setObjectName(QStringLiteral("control%1").arg(number));
        combo->setEditable(false);
        combo->setGeometry(geometry);
        return combo;
    };
    const auto button = [this](int number, const QString& text, QRect geometry) {
        auto* push = new QPushButton(text, this);
        push->setObjectName(QStringLiteral("control%1").arg(number));
        push->setGeometry(geometry);
        push->setAutoDefault(false);
        connect(push, &QPushButton::clicked, this,
                [this, number] { emit ControlActivated(number); });
    };

    frame(DeviceFrameControl, "Ausgabegerät", {5, 5, 200, 50});
    deviceList_ = list(DeviceListControl, {15, 25, 180, 20});
    frame(SampleRateFrameControl, "Abtastrate", {5, 60, 200, 50});
    sampleRateList_ = list(SampleRateListControl, {15, 80, 180, 20});
    frame(ResolutionFrameControl, "Auflösung", {5, 115, 200, 50});
    resolutionList_ = list(ResolutionListControl, {15, 135, 180, 20});
    frame(BufferLengthFrameControl, "Pufferlänge", {5, 170, 200, 50});
    bufferLengthList_ = list(BufferLengthListControl, {15, 190, 180, 20});
    frame(ChannelsFrameControl, "Kanäle", {210, 5, 200, 215});

    speakerList_ = new QTreeWidget(this);
    speakerList_->setObjectName(QStringLiteral("control%1").arg(SpeakerListControl));
    speakerList_->setGeometry(220, 25, 180, 185);
    speakerList_->setColumnCount(1);
    speakerList_->setHeaderLabels({QStringLiteral("Kanal")});
    speakerList_->header()->setStretchLastSection(false);
    speakerList_->setColumnWidth(0, SpeakerColumnWidth);
    speakerList_->setRootIsDecorated(false);

    button(DeviceCancelControl, QStringLiteral("Abbrechen"), {105, 225, 100, 20});
    button(DeviceOkControl, QStringLiteral("OK"), {210, 225, 100, 20});
}

void DeviceDialog::Fill(const OutputConfig& config, WaveOutDriver& driver) {
    for (const WaveOutDeviceInfo& device : driver.ListDevices()) {
        deviceList_->addItem(QString::fromStdString(device.Name), device.Id);
    }
    SelectComboItemByData(*deviceList_, config.OutputDevice, DeviceFallback);

    AddEntries(*sampleRateList_, SampleRates, QStringLiteral(" Hz"));
    SelectComboItemByData(*sampleRateList_, config.SampleRate, SampleRateFallback);
    AddEntries(*resolutionList_, Resolutions, QStringLiteral(" Bit"));
    SelectComboItemByData(*resolutionList_, config.Resolution, ResolutionFallback);
    AddEntries(*bufferLengthList_, BufferLengths, QStringLiteral(" ms"));
    SelectComboItemByData(*bufferLengthList_, config.BufferLength, BufferLengthFallback);

    const auto mask = static_cast<std::uint32_t>(config.ChannelMask);
    for (std::int32_t bit = 0; bit < SpeakerCount; ++bit) {
        auto* row = new QTreeWidgetItem(speakerList_);
        const std::string_view name = SpeakerName(bit);
        row->setText(0, QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())));
        row->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        row->setCheckState(0, ((mask >> bit) & 1u) != 0 ? Qt::Checked : Qt::Unchecked);
    }
}

bool DeviceDialog::ReadDeviceDialog(OutputConfig& config) const {
    if (!ReadSelection(*deviceList_, config.OutputDevice) ||
        !ReadSelection(*sampleRateList_, config.SampleRate) ||
        !ReadSelection(*resolutionList_, config.Resolution) ||
        !ReadSelection(*bufferLengthList_, config.BufferLength)) {
        return false;
    }
    config.ChannelMask = 0;
    config.ChannelCount = 0;
    for (std::int32_t bit = 0; bit < SpeakerCount; ++bit) {
        if (speakerList_->topLevelItem(bit)->checkState(0) == Qt::Checked) {
            config.ChannelMask |= std::int32_t{1} << bit;
            ++config.ChannelCount;
        }
    }
    return config.ChannelCount >= 1 && config.ChannelCount <= MaxAcceptedChannels;
}

QString DeviceDialog::SelectedDeviceName() const {
    return deviceList_->currentText();
}

QWidget* DeviceDialog::Control(int number) const {
    return findChild<QWidget*>(QStringLiteral("control%1").arg(number));
}

void DeviceDialog::closeEvent(QCloseEvent* event) {
    // No close box: a window manager's close request changes nothing; only the buttons end the
    // dialog.
    event->ignore();
}

}  // namespace tonquelle
