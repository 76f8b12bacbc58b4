// Help document, About box and where the program keeps its files.

#include <QFile>
#include <QFileInfo>
#include <QLabel>

#include "app/AboutBox.h"
#include "app/DataFolder.h"
#include "tests/gui/GuiTestSupport.h"

namespace tonquelle::testing {
namespace {

QByteArray StoredHelp() {
    QFile stored(TONQUELLE_SOURCE_DIR "/resources/tonquelle.htm");
    return stored.open(QIODevice::ReadOnly) ? stored.readAll() : QByteArray();
}

QByteArray Contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(cannot be read)");
}

// Help and settings go to the program's own folder (a build folder, an unpacked folder); to the
// user's configuration folder, created when needed, for an installed program (its folder named
// "bin", writable or not), for an unknown program folder and for one that takes no files. When
// nothing can be written the message names the full path tried.
TEST_F(ShellTest, HelpAndSettingsGoToTheDataFolderElseTheFullPathIsShown) {
    // An older, longer help file is replaced entirely. Below it, a plain file, nothing can be
    // created, whoever runs the test.
    QFile older(ProgramFolder() + "tonquelle.htm");
    ASSERT_TRUE(older.open(QIODevice::WriteOnly) && older.write(QByteArray(50000, 'x')) > 0);
    older.close();
    const QString noFiles = older.fileName() + "/app/";
    const QString installed = ProgramFolder() + "prefix/bin/";
    ASSERT_TRUE(QDir().mkpath(installed));
    const std::tuple<QString, QString, QString> cases[] = {
        {ProgramFolder(), UserFolder(), ProgramFolder()},
        {installed, UserFolder() + "installed/", UserFolder() + "installed/"},
        {"", UserFolder() + "unknown/", UserFolder() + "unknown/"},
        {noFiles, UserFolder() + "nofiles/", UserFolder() + "nofiles/"},
        {noFiles, older.fileName() + "/config/", ""},
    };
    for (const auto& [program, user, folderWritten] : cases) {
        SCOPED_TRACE(program.toStdString() + " " + user.toStdString());
        asked.Errors.clear();
        recorded.Opened.clear();
        MakeShellIn(program, user);
        shell->DispatchMenu(MenuHelp);
        if (folderWritten.isEmpty()) {
            EXPECT_EQ(asked.Errors, std::vector{"Die Datei \"" + QDir::toNativeSeparators(user) +
                                                "tonquelle.htm\" konnte nicht erstellt werden!"});
            EXPECT_TRUE(recorded.Opened.empty());
            continue;
        }
        EXPECT_EQ(recorded.Opened,
                  std::vector{QUrl::fromLocalFile(folderWritten + "tonquelle.htm")});
        EXPECT_EQ(Contents(folderWritten + "tonquelle.htm"), StoredHelp());
        shell->Stream().Config.SampleRate = 22050;
        shell->Leave();
        EXPECT_TRUE(QFile::exists(folderWritten + "tonquelle.ini"));
        MakeShellIn(program, user);  // the next run reads its settings back
        EXPECT_EQ(shell->Stream().Config.SampleRate, 22050);
        EXPECT_TRUE(asked.Errors.empty());
    }
    EXPECT_TRUE(QDir(installed).isEmpty());  // nothing beside an installed program
}

TEST(DataFolderPaths, TheProgramFolderIsTheExecutablesFolderEndingInASlash) {
    EXPECT_EQ(ProgramFolderPath(), QCoreApplication::applicationDirPath() + "/");
}

// The help file is written whole through a new file that takes its name: a symbolic link named
// "tonquelle.htm" is replaced by the help, and the file it pointed to stays untouched.
TEST_F(ShellTest, HelpReplacesASymbolicLinkInItsPlaceInsteadOfWritingThroughIt) {
    QFile elsewhere(ProgramFolder() + "elsewhere.txt");
    ASSERT_TRUE(elsewhere.open(QIODevice::WriteOnly) && elsewhere.write("keep me") == 7);
    elsewhere.close();
    ASSERT_TRUE(QFile::link(elsewhere.fileName(), ProgramFolder() + "tonquelle.htm"));
    MakeShell();
    shell->DispatchMenu(MenuHelp);
    EXPECT_TRUE(asked.Errors.empty());
    EXPECT_FALSE(QFileInfo(ProgramFolder() + "tonquelle.htm").isSymLink());
    EXPECT_EQ(Contents(ProgramFolder() + "tonquelle.htm"), StoredHelp());
    EXPECT_EQ(Contents(elsewhere.fileName()), "keep me");
}

// Without a program to open it (no browser, no launcher) the help file is still written, and a
// message names it so that the user can open it by hand.
TEST_F(ShellTest, HelpTheSystemCannotOpenIsNamedInAMessage) {
    MakeShell();
    recorded.CanOpen = false;
    shell->DispatchMenu(MenuHelp);
    const QString path = QDir::toNativeSeparators(ProgramFolder() + "tonquelle.htm");
    EXPECT_EQ(asked.Errors,
              std::vector<QString>{"Die Hilfedatei \"" + path +
                                   "\" wurde geschrieben, aber das System konnte sie nicht "
                                   "öffnen. Bitte öffnen Sie sie selbst in einem Webbrowser."});
    EXPECT_EQ(Contents(ProgramFolder() + "tonquelle.htm"), StoredHelp());
}

TEST_F(ShellTest, AboutBoxOpensOnceNonModalAndItsLinkOpensTheHomePage) {
    MakeShell();
    ShowAndActivate();
    shell->DispatchMenu(MenuAbout);
    AboutBox* about = shell->AboutWindow();
    ASSERT_NE(about, nullptr);
    const QString text = static_cast<QLabel*>(about->Control(AboutTextControl))->text();
    EXPECT_TRUE(text.endsWith("0.8.0-115 (06.09.2015)")) << text.toStdString();
    shell->DispatchMenu(MenuAbout);
    EXPECT_EQ(shell->Window().findChildren<AboutBox*>().size(), 1);

    // Shortcuts act only while the main window is active, and it stays usable.
    QApplication::setActiveWindow(about);
    ASSERT_TRUE(QTest::qWaitForWindowActive(about));
    QTest::keyClick(about, Qt::Key_F1);
    EXPECT_TRUE(recorded.Opened.empty());
    ActivateMain();
    PressOnMain(Qt::Key_F1);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);

    QTest::mouseClick(about->Control(AboutLinkControl), Qt::LeftButton);
    EXPECT_EQ(recorded.Opened, (std::vector{QUrl::fromLocalFile(ProgramFolder() + "tonquelle.htm"),
                                            QUrl("https://tonquelle.example.org/")}));
    EXPECT_EQ(shell->AboutWindow(), about);  // the link leaves the box open
    QTest::mouseClick(about->Control(AboutOkControl), Qt::LeftButton);
    EXPECT_EQ(shell->AboutWindow(), nullptr);
}

}  // namespace
}  // namespace tonquelle::testing
