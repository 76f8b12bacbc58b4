// Qt's own texts in the program are German, whatever the system's language.

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QTranslator>

#include "app/GermanQt.h"
#include "tests/gui/GuiTestSupport.h"

namespace tonquelle::testing {
namespace {

// Undoes UseGermanQt for the tests that follow.
class GermanQtTest : public ::testing::Test {
  protected:
    void SetUp() override { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void TearDown() override {
        for (QTranslator* translator : QCoreApplication::instance()->findChildren<QTranslator*>()) {
            QCoreApplication::removeTranslator(translator);
            delete translator;
        }
        QLocale::setDefault(QLocale::system());
    }
};

TEST_F(GermanQtTest, StandardButtonsAndTheFileDialogSpeakGermanUnderAnEnglishLocale) {
    ASSERT_TRUE(UseGermanQt(*QCoreApplication::instance()));
    QDialogButtonBox buttons(QDialogButtonBox::Open | QDialogButtonBox::Cancel);
    EXPECT_EQ(buttons.button(QDialogButtonBox::Open)->text().remove('&'), "Öffnen");
    EXPECT_EQ(buttons.button(QDialogButtonBox::Cancel)->text().remove('&'), "Abbrechen");
    QFileDialog dialog;
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    EXPECT_EQ(dialog.findChild<QLabel*>("lookInLabel")->text(), "Suchen in:");
    EXPECT_EQ(QLocale().language(), QLocale::German);
}

}  // namespace
}  // namespace tonquelle::testing
