#pragma once

#include <QImage>
#include <QString>

namespace tonquelle {

// The help document's picture: one period of each waveform (the square at 25 %, a staircase as
// the user shape, a stretch of each noise) in red on axes, four rows of two, and below them a
// sine swept logarithmically over three octaves, with German captions. Drawn with the program's own
// shape functions, in the font at `fontPath`, without antialiasing, so the same build always gives
// the same pixels. A null image when the font cannot be loaded.
QImage DrawWaveformPicture(const QString& fontPath);

}  // namespace tonquelle
