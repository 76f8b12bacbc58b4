#include "tools/HelpPicture.h"

#include <QFontDatabase>
#include <QPainter>
#include <QPolygon>
#include <array>
#include <cmath>
#include <functional>

#include "synth/ChannelValue.h"
#include "synth/Noise.h"
#include "synth/WaveShapes.h"

namespace tonquelle {

namespace {

constexpr int PictureWidth = 287;
constexpr int PictureHeight = 655;
constexpr int Columns = 2;
// Four rows of two shapes, then the logarithmic sweep across the whole width.
constexpr int Rows = 5;
constexpr int ShapeCount = 8;
constexpr int CaptionHeight = 20;
constexpr int AxisMargin = 8;
constexpr int CaptionPixelSize = 12;
constexpr int CellWidth = PictureWidth / Columns;
// The plot's width inside a cell (its margins: AxisMargin + 4 left, AxisMargin + 6 right).
constexpr int PlotWidth = CellWidth - 2 * AxisMargin - 10;

const QColor CurveColour{255, 0, 0};
const QColor AxisColour{0, 0, 0};

struct Shape {
    const char* Caption;
    std::function<double(double)> Value;
};

// The staircase of the help document's appendix: ten points each of -1, -0.5, 0, 0.5 and 1.
WaveformTable StaircaseTable() {
    constexpr std::array Steps = {-1.0, -0.5, 0.0, 0.5, 1.0};
    constexpr int PointsPerStep = 10;
    WaveformTable table;
    table.PointCount = static_cast<std::int32_t>(Steps.size()) * PointsPerStep;
    table.Points = std::make_unique<double[]>(static_cast<std::size_t>(table.PointCount));
    for (std::size_t i = 0; i < static_cast<std::size_t>(table.PointCount); ++i) {
        table.Points[i] = Steps[i / PointsPerStep];
    }
    return table;
}

// A noise across the plot: one frame per pixel column of a plot `columns` wide, at half scale.
std::function<double(double)> NoisePicture(NoiseColour colour, int columns) {
    const std::uint64_t key = NoiseKey(0, colour, NoiseRole::Carrier);
    return [=](double phase) {
        const auto frame = static_cast<std::uint64_t>(std::lround(phase / TwoPi * columns));
        return 0.5 *
               (colour == NoiseColour::White ? WhiteNoise(key, frame) : PinkNoise(key, frame));
    };
}

// A sine swept logarithmically by the rising saw over three octaves, 1 to 8 times its starting
// frequency, once across the plot: the program's own phase of such a sweep.
std::function<double(double)> SweepPicture() {
    const ChannelSettings sweep = {.Flags = FlagFM | FlagFMLog,
                                   .FMWaveform = WaveformIndex::SawRising,
                                   .FMFrequency = 1.0,
                                   .FMMinFreq = 1.0,
                                   .FMMaxFreq = 8.0};
    return [=](double phase) { return WaveSine(CarrierPhase(sweep, phase / TwoPi)); };
}

void DrawArrow(QPainter& painter, QPoint tip, QPoint back1, QPoint back2) {
    painter.drawLine(tip, back1);
    painter.drawLine(tip, back2);
}

// Axes with arrow heads: time to the right through the middle, value upwards on the left.
void DrawAxes(QPainter& painter, const QRect& plot) {
    painter.setPen(QPen(AxisColour, 1));
    const int middle = plot.center().y();
    const QPoint timeEnd(plot.right() + 4, middle);
    painter.drawLine(QPoint(plot.left(), middle), timeEnd);
    DrawArrow(painter, timeEnd, timeEnd + QPoint(-4, -3), timeEnd + QPoint(-4, 3));
    const QPoint valueEnd(plot.left(), plot.top() - 4);
    painter.drawLine(QPoint(plot.left(), plot.bottom()), valueEnd);
    DrawArrow(painter, valueEnd, valueEnd + QPoint(-3, 4), valueEnd + QPoint(3, 4));
    // Marks at +1 and -1.
    painter.drawLine(plot.left() - 2, plot.top(), plot.left() + 2, plot.top());
    painter.drawLine(plot.left() - 2, plot.bottom(), plot.left() + 2, plot.bottom());
}

// One period across the plot's width, one point per pixel column; +1 at the top, -1 at the bottom.
void DrawCurve(QPainter& painter, const QRect& plot, const std::function<double(double)>& value) {
    QPolygon curve;
    const int columns = plot.width();
    const double halfHeight = (plot.height() - 1) / 2.0;
    // The closing column at 2π shows the jump back of the shapes that have one.
    for (int column = 0; column <= columns; ++column) {
        const double phase = TwoPi * column / columns;
        const double y = plot.center().y() - value(phase) * halfHeight;
        curve << QPoint(plot.left() + column, static_cast<int>(std::lround(y)));
    }
    painter.setPen(QPen(CurveColour, 2, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
    painter.drawPolyline(curve);
}

}  // namespace

QImage DrawWaveformPicture(const QString& fontPath) {
    const int fontId = QFontDatabase::addApplicationFont(fontPath);
    if (fontId < 0) {
        return {};
    }
    QFont font(QFontDatabase::applicationFontFamilies(fontId).value(0));
    font.setPixelSize(CaptionPixelSize);
    font.setStyleStrategy(QFont::NoAntialias);
    font.setHintingPreference(QFont::PreferFullHinting);

    const WaveformTable staircase = StaircaseTable();
    const std::array<Shape, ShapeCount + 1> shapes = {{
        {"Sinus", WaveSine},
        {"Dreieck", WaveTriangle},
        {"Sägezahn fallend", WaveSawFalling},
        {"Sägezahn steigend", WaveSawRising},
        {"Rechteck, 25 %", [](double x) { return WavePulse(x, 25.0); }},
        {"Datei (siehe Text)", [&staircase](double x) { return WaveUser(x, staircase); }},
        {"Rauschen (weiß)", NoisePicture(NoiseColour::White, PlotWidth)},
        {"Rauschen (rosa)", NoisePicture(NoiseColour::Pink, PlotWidth)},
        {"Sinus, logarithmischer Sweep", SweepPicture()},
    }};

    QImage picture(PictureWidth, PictureHeight, QImage::Format_RGB32);
    picture.fill(Qt::white);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setRenderHint(QPainter::TextAntialiasing, false);
    painter.setFont(font);

    const int cellHeight = PictureHeight / Rows;
    for (std::size_t i = 0; i < shapes.size(); ++i) {
        const bool wide = i == ShapeCount;
        const QRect cell(static_cast<int>(i % Columns) * CellWidth,
                         static_cast<int>(i / Columns) * cellHeight,
                         wide ? PictureWidth : CellWidth, cellHeight);
        painter.setPen(AxisColour);
        painter.drawText(QRect(cell.left(), cell.top() + 2, cell.width(), CaptionHeight),
                         Qt::AlignCenter, QString::fromUtf8(shapes[i].Caption));
        const QRect plot = cell.adjusted(AxisMargin + 4, CaptionHeight + AxisMargin,
                                         -(AxisMargin + 6), -AxisMargin);
        DrawAxes(painter, plot);
        DrawCurve(painter, plot, shapes[i].Value);
    }
    painter.end();
    return picture;
}

}  // namespace tonquelle
