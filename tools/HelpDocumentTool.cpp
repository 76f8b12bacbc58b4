// tonquelle-helpdoc: makes the help document from its hand-written template by drawing the
// waveform picture and putting it in as a data address, so the document needs no other file.
//
//   tonquelle-helpdoc <template> <document> [<picture.png>]

#include <QBuffer>
#include <QFile>
#include <QGuiApplication>
#include <cstdio>

#include "tools/HelpPicture.h"

namespace {

const QByteArray PicturePlaceholder = "@WAVEFORM_PICTURE@";

QByteArray EncodePng(const QImage& picture) {
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    // Fixed settings: best compression, no gamma, no text chunks; the same pixels give the same
    // bytes.
    picture.save(&buffer, "PNG", 0);
    return png;
}

bool WriteFile(const QString& path, const QByteArray& bytes) {
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
    if (arguments.size() < 3) {
        std::fprintf(stderr, "usage: tonquelle-helpdoc <template> <document> [<picture.png>]\n");
        return 2;
    }

    QFile templateFile(arguments[1]);
    if (!templateFile.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read %s\n", qPrintable(arguments[1]));
        return 1;
    }
    QByteArray document = templateFile.readAll();
    if (document.count(PicturePlaceholder) != 1) {
        std::fprintf(stderr, "the template must hold %s exactly once\n", PicturePlaceholder.data());
        return 1;
    }

    const QImage picture = tonquelle::DrawWaveformPicture(QStringLiteral(TONQUELLE_PICTURE_FONT));
    if (picture.isNull()) {
        std::fprintf(stderr, "cannot load the font %s\n", TONQUELLE_PICTURE_FONT);
        return 1;
    }
    const QByteArray png = EncodePng(picture);
    document.replace(PicturePlaceholder, "data:image/png;base64," + png.toBase64());

    if (!WriteFile(arguments[2], document) ||
        (arguments.size() > 3 && !WriteFile(arguments[3], png))) {
        std::fprintf(stderr, "cannot write the output\n");
        return 1;
    }
    return 0;
}
