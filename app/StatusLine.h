#pragma once

#include <QStatusBar>

#include "audio/StreamEngine.h"
#include "records/OutputStream.h"

class QLabel;

namespace tonquelle {

// The main window's status bar while the generator runs: "<device> · 44100 Hz · 16 Bit ·
// 2 Kanäle · 250 ms · Aussetzer: 0", and a note while a lost device is being reconnected.
// Hidden while the generator is stopped. UI thread only.
class StatusLine final : public QStatusBar {
    Q_OBJECT

  public:
    explicit StatusLine(QWidget* parent = nullptr);

    // Shows the running stream's device, format, buffer length and dropouts.
    void ShowRunning(const QString& device, const OutputConfig& config, const StreamStatus& status);
    void HideStopped();

    QString Text() const;

  private:
    QLabel* label_;
};

}  // namespace tonquelle
