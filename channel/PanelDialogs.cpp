#include "channel/PanelDialogs.h"

#include <QFileDialog>

namespace tonquelle {

QString WaveformFileFilter() {
    return QStringLiteral("Text- und CSV-Dateien (*.txt *.csv);;Alle Dateien (*)");
}

QString AskForWaveformFile(QWidget* owner) {
    return QFileDialog::getOpenFileName(owner, QString(), QString(), WaveformFileFilter());
}

}  // namespace tonquelle
