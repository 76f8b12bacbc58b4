#pragma once

#include <QWidget>

#include "records/OutputStream.h"

class QComboBox;
class QTreeWidget;

namespace tonquelle {

class WaveOutDriver;

// Control numbers of the device dialog; the shell recognises the two buttons by them.
inline constexpr int DeviceFrameControl = 1;
inline constexpr int DeviceListControl = 2;
inline constexpr int SampleRateFrameControl = 3;
inline constexpr int SampleRateListControl = 4;
inline constexpr int ResolutionFrameControl = 5;
inline constexpr int ResolutionListControl = 6;
inline constexpr int BufferLengthFrameControl = 7;
inline constexpr int BufferLengthListControl = 8;
inline constexpr int ChannelsFrameControl = 9;
inline constexpr int SpeakerListControl = 10;
inline constexpr int DeviceCancelControl = 11;
inline constexpr int DeviceOkControl = 12;

// The most channels one stream can carry.
inline constexpr std::int32_t MaxAcceptedChannels = MaxChannels;

// "Ausgabegerät konfigurieren": the output configuration to confirm before every start. A
// non-modal top-level window owned by the main window, without a close box: only its two buttons
// end it, and the shell decides what they do.
class DeviceDialog final : public QWidget {
    Q_OBJECT

  public:
    // Fills every list (the devices from `driver`) and preselects `config`'s values.
    DeviceDialog(const OutputConfig& config, WaveOutDriver& driver, QWidget& owner);

    // Writes the selections into `config` in the order device, sample rate, resolution, buffer
    // length, speakers, stopping at the first list without a selection. True when every list had
    // a selection and 1..8 speakers are checked.
    bool ReadDeviceDialog(OutputConfig& config) const;

    // The text of the selected device entry (empty when none is selected).
    QString SelectedDeviceName() const;

    // The controls by number, for the shell's dispatch and the tests.
    QWidget* Control(int number) const;

  signals:
    // A button was pressed: DeviceCancelControl or DeviceOkControl.
    void ControlActivated(int control);

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void Build();
    void Fill(const OutputConfig& config, WaveOutDriver& driver);

    QComboBox* deviceList_ = nullptr;
    QComboBox* sampleRateList_ = nullptr;
    QComboBox* resolutionList_ = nullptr;
    QComboBox* bufferLengthList_ = nullptr;
    QTreeWidget* speakerList_ = nullptr;
};

}  // namespace tonquelle
