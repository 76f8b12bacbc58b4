// Help document, About box and where the program keeps its files.

#include <QFile>
#include <QLabel>

#include "app/AboutBox.h"
#include "app/DataFolder.h"
#include "tests/gui/GuiTestSupport.h"

namespace tonquelle::testing {
namespace {

// Help and settings go to the program folder, else (an installed program) to the user's folder;
// when neither can take the help the message names its full path in the program folder.
TEST_F(ShellTest, HelpAndSettingsGoWhereTheyCanBeWrittenElseTheFullPathIsShown) {
    // An older, longer help file is replaced entirely. Below it, a plain file, nothing can be
    // created, whoever runs the test.
    QFile older(ProgramFolder() + "tonquelle.htm");
    ASSERT_TRUE(older.open(QIODevice::WriteOnly) && older.write(QByteArray(50000, 'x')) > 0);
    older.close();
    const QString readOnly = older.fileName() + "/bin/";
    const std::tuple<QString, QString, QString> cases[] = {
        {ProgramFolder(), UserFolder(), ProgramFolder()},
        {readOnly, UserFolder(), UserFolder()},
        {readOnly, older.fileName() + "/config/", ""},
    };
    for (const auto& [program, user, folderWritten] : cases) {
        recorded.Errors.clear();
        recorded.Opened.clear();
        MakeShellIn(program, user);
        shell->DispatchMenu(MenuHelp);
        if (folderWritten.isEmpty()) {
            EXPECT_EQ(recorded.Errors,
                      std::vector{"Die Datei \"" + QDir::toNativeSeparators(program) +
                                  "tonquelle.htm\" konnte nicht erstellt werden!"});
            EXPECT_TRUE(recorded.Opened.empty());
            continue;
        }
        EXPECT_EQ(recorded.Opened,
                  std::vector{QUrl::fromLocalFile(folderWritten + "tonquelle.htm")});
        QFile written(folderWritten + "tonquelle.htm"),
            stored(TONQUELLE_SOURCE_DIR "/resources/tonquelle.htm");
        ASSERT_TRUE(written.open(QIODevice::ReadOnly) && stored.open(QIODevice::ReadOnly));
        EXPECT_EQ(written.readAll(), stored.readAll());
        shell->Stream().Config.SampleRate = 22050;
        shell->Leave();
        EXPECT_TRUE(QFile::exists(folderWritten + "tonquelle.ini"));
        MakeShellIn(program, user);  // the next run reads its settings back
        EXPECT_EQ(shell->Stream().Config.SampleRate, 22050) << folderWritten.toStdString();
        EXPECT_TRUE(recorded.Errors.empty());
    }
    EXPECT_EQ(ProgramFolderOf("/opt/tonquelle/bin"), "/opt/tonquelle/bin/");
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
