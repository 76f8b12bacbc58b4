// tonquelle-icon: draws the program icon (a period of a sine on a dark tile) at 16, 32, 48, 64,
// 128 and 256 pixels into <folder>/tonquelle-<size>.png, and as a scalable picture into
// <folder>/tonquelle.svg.
//
//   tonquelle-icon <folder>

#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <cstdio>

#include "synth/WaveShapes.h"

namespace {

// The icon on a grid of 16 × 16 units; every size scales it, line widths too.
constexpr double Grid = 16.0;
const QRectF Tile(0.5, 0.5, 15.0, 15.0);
constexpr double TileRadius = 3.0;
constexpr double TileBorderWidth = 0.5;
constexpr double Middle = Grid / 2;
constexpr double AxisLeft = 2.0, AxisRight = 14.0, AxisWidth = 0.5;
constexpr double WaveLeft = 2.5, WaveWidth = 11.0, WaveHeight = 5.0, WaveLineWidth = 1.4;
constexpr int WaveSteps = 64;
const QColor TileColour(33, 66, 132), TileBorderColour(20, 40, 80);
const QColor AxisColour(120, 150, 200), WaveColour(255, 70, 50);

QPolygonF WavePoints() {
    QPolygonF points;
    for (int i = 0; i <= WaveSteps; ++i) {
        const double phase = tonquelle::TwoPi * i / WaveSteps;
        points << QPointF(WaveLeft + WaveWidth * i / WaveSteps,
                          Middle - WaveHeight * tonquelle::WaveSine(phase));
    }
    return points;
}

QImage DrawIcon(int size) {
    QImage icon(size, size, QImage::Format_ARGB32);
    icon.fill(Qt::transparent);
    QPainter painter(&icon);
    painter.setRenderHint(QPainter::Antialiasing, true);
    const double unit = size / Grid;
    painter.scale(unit, unit);

    painter.setPen(QPen(TileBorderColour, TileBorderWidth));
    painter.setBrush(TileColour);
    painter.drawRoundedRect(Tile, TileRadius, TileRadius);

    // A faint time axis, then the wave on top of it.
    painter.setPen(QPen(AxisColour, AxisWidth));
    painter.drawLine(QPointF(AxisLeft, Middle), QPointF(AxisRight, Middle));

    QPainterPath wave;
    wave.addPolygon(WavePoints());
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(WaveColour, WaveLineWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPath(wave);
    painter.end();
    return icon;
}

QString Number(double value) {
    return QString::number(value, 'g', 6);
}

// The same picture as DrawIcon, in SVG.
QByteArray ScalableIcon() {
    QString points;
    for (const QPointF& point : WavePoints()) {
        points += (points.isEmpty() ? "" : " ") + Number(point.x()) + "," + Number(point.y());
    }
    const QString svg =
        QStringLiteral(
            "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"256\" height=\"256\" "
            "viewBox=\"0 0 %1 %1\">\n"
            "  <rect x=\"%2\" y=\"%3\" width=\"%4\" height=\"%5\" rx=\"%6\" fill=\"%7\" "
            "stroke=\"%8\" stroke-width=\"%9\"/>\n")
            .arg(Number(Grid), Number(Tile.x()), Number(Tile.y()), Number(Tile.width()),
                 Number(Tile.height()), Number(TileRadius), TileColour.name(),
                 TileBorderColour.name(), Number(TileBorderWidth)) +
        QStringLiteral(
            "  <line x1=\"%1\" y1=\"%2\" x2=\"%3\" y2=\"%2\" stroke=\"%4\" stroke-width=\"%5\"/>\n")
            .arg(Number(AxisLeft), Number(Middle), Number(AxisRight), AxisColour.name(),
                 Number(AxisWidth)) +
        QStringLiteral(
            "  <polyline points=\"%1\" fill=\"none\" stroke=\"%2\" stroke-width=\"%3\" "
            "stroke-linecap=\"round\" stroke-linejoin=\"round\"/>\n</svg>\n")
            .arg(points, WaveColour.name(), Number(WaveLineWidth));
    return svg.toUtf8();
}

bool Save(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
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
    for (const int size : {16, 32, 48, 64, 128, 256}) {
        const QString path = QStringLiteral("%1/tonquelle-%2.png").arg(arguments[1]).arg(size);
        if (!DrawIcon(size).save(path, "PNG", 0)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    const QString svg = arguments[1] + QStringLiteral("/tonquelle.svg");
    if (!Save(svg, ScalableIcon())) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(svg));
        return 1;
    }
    return 0;
}
