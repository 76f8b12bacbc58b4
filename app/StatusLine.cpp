#include "app/StatusLine.h"

#include <QLabel>
#include <QStringList>

#include "app/DeviceMessages.h"

namespace tonquelle {

StatusLine::StatusLine(QWidget* parent) : QStatusBar(parent), label_(new QLabel(this)) {
    addWidget(label_, 1);
    setSizeGripEnabled(false);
    hide();
}

void StatusLine::ShowRunning(const QString& device, const OutputConfig& config,
                             const StreamStatus& status) {
    QStringList parts = {device,
                         QStringLiteral("%1 Hz").arg(config.SampleRate),
                         QStringLiteral("%1 Bit").arg(config.Resolution),
                         ChannelCountText(config.ChannelCount),
                         QStringLiteral("%1 ms").arg(config.BufferLength),
                         QStringLiteral("Aussetzer: %1").arg(status.Dropouts)};
    if (status.Health == StreamHealth::Reconnecting) {
        parts << QStringLiteral("Verbindung zum Ausgabegerät unterbrochen, neuer Versuch …");
    }
    label_->setText(parts.join(QStringLiteral(" · ")));
    show();
}

void StatusLine::HideStopped() {
    hide();
    label_->clear();
}

QString StatusLine::Text() const {
    return label_->text();
}

}  // namespace tonquelle
