#pragma once

#include <QImage>
#include <QString>

namespace tonquelle {

// The help document's picture: one period of each of the six waveforms in red on axes, three rows
// of two, with German captions. Drawn with the program's own shape functions, in the font at
// `fontPath`, without antialiasing, so the same build always gives the same pixels. A null image
// when the font cannot be loaded.
QImage DrawWaveformPicture(const QString& fontPath);

}  // namespace tonquelle
