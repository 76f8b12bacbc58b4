// tonquelle-icon: draws the program icon (a period of a sine on a dark tile) at 48, 32 and 16
// pixels into <folder>/tonquelle-<size>.png.
//
//   tonquelle-icon <folder>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <cmath>
#include <cstdio>

#include "synth/WaveShapes.h"

namespace {

QImage DrawIcon(int size) {
    QImage icon(size, size, QImage::Format_ARGB32);
    icon.fill(Qt::transparent);
    QPainter painter(&icon);
    painter.setRenderHint(QPainter::Antialiasing, true);

    const qreal unit = size / 16.0;
    const QRectF tile(0.5 * unit, 0.5 * unit, size - unit, size - unit);
    painter.setPen(QPen(QColor(20, 40, 80), unit * 0.5));
    painter.setBrush(QColor(33, 66, 132));
    painter.drawRoundedRect(tile, 3 * unit, 3 * unit);

    // A faint time axis, then the wave on top of it.
    const qreal middle = size / 2.0;
    painter.setPen(QPen(QColor(120, 150, 200), unit * 0.5));
    painter.drawLine(QPointF(2 * unit, middle), QPointF(size - 2 * unit, middle));

    QPainterPath wave;
    const qreal left = 2.5 * unit;
    const qreal width = size - 5 * unit;
    const qreal height = 5 * unit;
    constexpr int Steps = 64;
    for (int i = 0; i <= Steps; ++i) {
        const double phase = tonquelle::TwoPi * i / Steps;
        const QPointF point(left + width * i / Steps, middle - height * tonquelle::WaveSine(phase));
        if (i == 0) {
            wave.moveTo(point);
        } else {
            wave.lineTo(point);
        }
    }
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(255, 70, 50), std::max(1.0, 1.4 * unit), Qt::SolidLine, Qt::RoundCap,
                        Qt::RoundJoin));
    painter.drawPath(wave);
    painter.end();
    return icon;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QGuiApplication application(argc, argv);
    const QStringList arguments = QGuiApplication::arguments();
    if (arguments.size() != 2) {
        std::fprintf(stderr, "usage: tonquelle-icon <folder>\n");
        return 2;
    }
    for (const int size : {48, 32, 16}) {
        const QString path = QStringLiteral("%1/tonquelle-%2.png").arg(arguments[1]).arg(size);
        if (!DrawIcon(size).save(path, "PNG", 0)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    return 0;
}
