// Help document, About box and where the program keeps its files.

#include <QCursor>
#include <QDir>
#include <QEnterEvent>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>

#include "app/AboutBox.h"
#include "app/DataFolder.h"
#include "app/HelpDocument.h"
#include "app/LinkLabel.h"
#include "tests/gui/ShellTestSupport.h"

namespace tonquelle::testing {
namespace {

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

using HelpCommand = ShellTest;
using HelpDocumentContent = ::testing::Test;
using AboutWindow = ShellTest;
using ProgramFiles = ShellTest;

TEST_F(HelpCommand, F1WritesTheStoredDocumentAndOpensItEveryTime) {
    MakeShell();
    ShowAndActivate();
    const QString path = ProgramFolder() + "tonquelle.htm";
    WriteFile(path, QByteArray(50000, 'x'));  // an older, longer file is replaced entirely

    PressOnMain(Qt::Key_F1);
    const QByteArray committed = ReadAll(TONQUELLE_SOURCE_DIR "/resources/tonquelle.htm");
    ASSERT_FALSE(committed.isEmpty());
    EXPECT_EQ(ReadAll(path), committed);
    ASSERT_EQ(urls.Opened.size(), 1u);
    EXPECT_EQ(urls.Opened[0], QUrl::fromLocalFile(path));

    QFile::remove(path);
    PressOnMain(Qt::Key_F1);
    EXPECT_EQ(ReadAll(path), committed);
    EXPECT_EQ(urls.Opened.size(), 2u);
    EXPECT_TRUE(messages.Errors.empty());
}

TEST_F(HelpCommand, AFileThatCannotBeCreatedIsReportedWithItsFullPathAndNothingOpens) {
    // A folder in the way of the file stops even a privileged user.
    ASSERT_TRUE(QDir(folder.path()).mkdir("tonquelle.htm"));
    MakeShell();
    shell->DispatchMenu(MenuHelp);
    ASSERT_EQ(messages.Errors.size(), 1u);
    EXPECT_EQ(messages.Errors[0], "Die Datei \"" + QDir::toNativeSeparators(ProgramFolder()) +
                                      "tonquelle.htm\" konnte nicht erstellt werden!");
    EXPECT_TRUE(urls.Opened.empty());
}

TEST_F(HelpCommand, NeitherFolderWritableNamesTheProgramFolder) {
    // Below a plain file nothing can be created, whoever runs the test.
    WriteFile(folder.path() + "/plain", "x");
    const QString programFolder = folder.path() + "/plain/bin/";
    MakeShellIn(programFolder, folder.path() + "/plain/config/");
    shell->DispatchMenu(MenuHelp);
    ASSERT_EQ(messages.Errors.size(), 1u);
    EXPECT_EQ(messages.Errors[0], "Die Datei \"" + QDir::toNativeSeparators(programFolder) +
                                      "tonquelle.htm\" konnte nicht erstellt werden!");
    EXPECT_TRUE(urls.Opened.empty());
}

TEST_F(ProgramFiles, AnUnwritableProgramFolderSendsSettingsAndHelpToTheUserFolder) {
    WriteFile(folder.path() + "/plain", "x");
    MakeShellIn(folder.path() + "/plain/bin/", UserFolder());
    shell->DispatchMenu(MenuHelp);
    EXPECT_TRUE(messages.Errors.empty());
    ASSERT_EQ(urls.Opened.size(), 1u);
    EXPECT_EQ(urls.Opened[0], QUrl::fromLocalFile(UserFolder() + "tonquelle.htm"));
    EXPECT_FALSE(ReadAll(UserFolder() + "tonquelle.htm").isEmpty());

    shell->Stream().Config.SampleRate = 22050;
    shell->Leave();
    EXPECT_TRUE(QFile::exists(UserFolder() + "tonquelle.ini"));
    // The next run reads the settings back from there.
    MakeShellIn(folder.path() + "/plain/bin/", UserFolder());
    EXPECT_EQ(shell->Stream().Config.SampleRate, 22050);
}

TEST_F(ProgramFiles, AWritableProgramFolderKeepsTheFilesAndTheUserFolderUntouched) {
    MakeShell();
    shell->Leave();
    EXPECT_TRUE(QFile::exists(ProgramFolder() + "tonquelle.ini"));
    EXPECT_FALSE(QDir(UserFolder()).exists());
}

TEST(ProgramFolder, EndsInASeparator) {
    EXPECT_EQ(ProgramFolderOf("/opt/tonquelle/bin"), "/opt/tonquelle/bin/");
    EXPECT_EQ(ProgramFolderOf("/opt/tonquelle/bin/"), "/opt/tonquelle/bin/");
}

TEST_F(HelpDocumentContent, IsAnHtml401PageInUtf8WithTheHeadingsInOrder) {
    const QByteArray document = HelpDocument();
    EXPECT_TRUE(
        document.startsWith("<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\""));
    EXPECT_TRUE(document.contains("content=\"text/html; charset=utf-8\""));
    EXPECT_TRUE(document.contains("<title>Tonquelle</title>"));
    const QString text = QString::fromUtf8(document);
    EXPECT_EQ(QString::fromUtf8(text.toUtf8()), text);  // valid UTF-8 both ways

    QStringList headings;
    const QRegularExpression heading("<(h[12])>([^<]*)</h[12]>");
    for (const auto& match : heading.globalMatch(text)) {
        headings << match.captured(1) + " " + match.captured(2);
    }
    const QStringList expected = {
        "h1 Über Tonquelle",
        "h1 Soundkarte konfigurieren",
        "h1 Starten und Anhalten",
        "h1 Kanaleinstellungen",
        "h2 Wellenform",
        "h2 Stummschaltung",
        "h2 Phasenverschiebung",
        "h2 Frequenz",
        "h2 Frequenzmodulation",
        "h2 Amplitude",
        "h2 Amplitudenmodulation",
        "h1 Benutzerdefinierte Wellenformen",
        "h1 Einstellungsspeicher",
        "h1 Anhang",
        "h2 Beispieldatei für benutzerdefinierte Wellenform",
    };
    EXPECT_EQ(headings, expected);
}

TEST_F(HelpDocumentContent, TheAppendixHoldsTheFiveStepStaircase) {
    const QString text = QString::fromUtf8(HelpDocument());
    const QRegularExpressionMatch block = QRegularExpression("<pre>\n([^<]*)</pre>").match(text);
    ASSERT_TRUE(block.hasMatch());
    const QStringList lines = block.captured(1).split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 50);
    const char* steps[] = {"-1", "-0.5", "0", "0.5", "1"};
    for (int i = 0; i < 50; ++i) {
        EXPECT_EQ(lines[i], steps[i / 10]) << i;
    }
}

TEST_F(HelpDocumentContent, ThePictureIsAnEmbeddedPngOfSixRedWaveforms) {
    const QString text = QString::fromUtf8(HelpDocument());
    const QRegularExpressionMatch image =
        QRegularExpression("<img [^>]*src=\"data:image/png;base64,([A-Za-z0-9+/=]+)\"[^>]*>")
            .match(text);
    ASSERT_TRUE(image.hasMatch());
    EXPECT_TRUE(image.captured(0).contains("alt=\"Wellenformen\""));
    const QImage picture =
        QImage::fromData(QByteArray::fromBase64(image.captured(1).toLatin1()), "PNG");
    ASSERT_EQ(picture.size(), QSize(287, 393));

    // Three rows of two cells; each cell holds red curve pixels.
    const auto redPixels = [&picture](QRect cell) {
        int count = 0;
        for (int y = cell.top(); y <= cell.bottom(); ++y) {
            for (int x = cell.left(); x <= cell.right(); ++x) {
                count += picture.pixelColor(x, y) == QColor(255, 0, 0) ? 1 : 0;
            }
        }
        return count;
    };
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 2; ++column) {
            EXPECT_GT(redPixels(QRect(column * 143, row * 131, 143, 131)), 100) << row << column;
        }
    }
    // The square wave (third row, left) is high in the first half and low in the second.
    const QRect square(0, 2 * 131, 143, 131);
    const int middle = square.center().y();
    EXPECT_GT(redPixels(QRect(square.left() + 15, square.top(), 50, middle - square.top())), 40);
    EXPECT_EQ(redPixels(QRect(square.left() + 15, middle + 1, 50, square.bottom() - middle)), 0);
    EXPECT_EQ(redPixels(QRect(square.left() + 75, square.top(), 50, middle - square.top())), 0);
}

TEST_F(AboutWindow, OpensOnceNonModalWithVersionDateAndLink) {
    MakeShell();
    ShowAndActivate();
    shell->DispatchMenu(MenuAbout);
    AboutBox* about = shell->AboutWindow();
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(about->windowTitle(), QString::fromUtf8("Über Tonquelle"));
    EXPECT_EQ(about->size(), QSize(320, 160));
    EXPECT_EQ(about->minimumSize(), about->maximumSize());
    EXPECT_FALSE(about->windowFlags().testFlag(Qt::WindowCloseButtonHint));
    EXPECT_EQ(about->parentWidget(), &shell->Window());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);

    auto* text = static_cast<QLabel*>(about->Control(AboutTextControl));
    EXPECT_EQ(text->geometry(), QRect(0, 10, 330, 90));
    EXPECT_TRUE(text->alignment().testFlag(Qt::AlignHCenter));
    EXPECT_TRUE(text->text().startsWith("Tonquelle\n"));
    EXPECT_TRUE(text->text().endsWith("0.8.0-115 (06.09.2015)"));
    EXPECT_EQ(about->Control(AboutLinkControl)->geometry(), QRect(10, 100, 300, 20));
    auto* ok = static_cast<QPushButton*>(about->Control(AboutOkControl));
    EXPECT_EQ(ok->geometry(), QRect(110, 130, 100, 20));
    EXPECT_EQ(ok->text(), "OK");

    shell->DispatchMenu(MenuAbout);
    EXPECT_EQ(shell->AboutWindow(), about);
    EXPECT_EQ(shell->Window().findChildren<AboutBox*>().size(), 1);

    // The main window stays usable while the box is open.
    ActivateMain();
    PressOnMain(Qt::Key_R, Qt::ControlModifier);
    EXPECT_NE(shell->DeviceWindow(), nullptr);
    EXPECT_EQ(shell->AboutWindow(), about);

    QTest::mouseClick(ok, Qt::LeftButton);
    EXPECT_EQ(shell->AboutWindow(), nullptr);
}

TEST_F(AboutWindow, LinkLooksLikeALinkAndOpensTheHomePageLeavingTheBoxOpen) {
    MakeShell();
    shell->DispatchMenu(MenuAbout);
    auto* link = static_cast<QLabel*>(shell->AboutWindow()->Control(AboutLinkControl));
    EXPECT_EQ(link->text(), "https://tonquelle.example.org/");
    EXPECT_TRUE(link->font().underline());
    EXPECT_EQ(link->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(link->palette().color(QPalette::WindowText), QColor(0, 0, 255));

    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QApplication::sendEvent(link, &enter);
    EXPECT_EQ(link->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(link, &leave);
    EXPECT_EQ(link->palette().color(QPalette::WindowText), QColor(0, 0, 255));

    QTest::mouseClick(link, Qt::LeftButton);
    ASSERT_EQ(urls.Opened.size(), 1u);
    EXPECT_EQ(urls.Opened[0], QUrl("https://tonquelle.example.org/"));
    EXPECT_NE(shell->AboutWindow(), nullptr);
}

TEST(AboutVersion, ShowsVersionAndTheBuildDateInUtc) {
    // 1441560509 s after 1970-01-01 00:00 UTC is 2015-09-06 17:28:29 UTC.
    EXPECT_EQ(VersionText(), "0.8.0-115 (06.09.2015)");
}

}  // namespace
}  // namespace tonquelle::testing
