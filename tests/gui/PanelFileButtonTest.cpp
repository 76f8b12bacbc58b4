#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "tests/gui/PanelTestSupport.h"

namespace tonquelle::testing {
namespace {

using C = PanelControl;

class PanelFileButtons : public PanelTest {
  protected:
    QString WriteFile(const QString& relativePath, const QByteArray& content) {
        const QString path = folder.filePath(relativePath);
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
        return path;
    }
    std::int32_t PendingPoints(std::int32_t slot, int channel = 0) {
        std::lock_guard lock(stream.SettingsLock);
        return stream.Channels[channel].PendingWaveforms[slot].PointCount;
    }

    QTemporaryDir folder;
};

TEST_F(PanelFileButtons, LoadedSignalFileSelectsDateiAndShowsTheName) {
    Start(0x3);
    dialogs.NextFile = WriteFile("wellen/säge.csv", "0\n0.5\n1\n-1\n-0.5\n");
    Click(C::WaveformFileButton, 1);
    EXPECT_EQ(dialogs.FileDialogs, 1);
    EXPECT_TRUE(dialogs.Errors.empty());
    EXPECT_EQ(Text(C::WaveformFileName, 1)->text(), "säge.csv");
    EXPECT_EQ(List(C::WaveformList, 1)->currentText(), "Datei");
    EXPECT_EQ(Published(1).Waveform, WaveformIndex::User);
    EXPECT_EQ(PendingPoints(WaveformSlotCarrier, 1), 5);
    // The other channel and the AM side are untouched.
    EXPECT_EQ(Published(0).Waveform, WaveformIndex::Sine);
    EXPECT_EQ(PendingPoints(WaveformSlotCarrier, 0), 0);
    EXPECT_EQ(Text(C::AMFileName, 1)->text(), "");
    EXPECT_EQ(List(C::AMWaveformList, 1)->currentText(), "Sinus");
}

TEST_F(PanelFileButtons, LoadedModulationFileGoesToTheAMTable) {
    Start(0x1);
    dialogs.NextFile = WriteFile("hüllkurve.txt", "1\n0\n");
    Click(C::AMFileButton);
    EXPECT_EQ(Text(C::AMFileName)->text(), "hüllkurve.txt");
    EXPECT_EQ(List(C::AMWaveformList)->currentText(), "Datei");
    EXPECT_EQ(Published().AMWaveform, WaveformIndex::User);
    EXPECT_EQ(PendingPoints(WaveformSlotAM), 2);
    EXPECT_EQ(PendingPoints(WaveformSlotCarrier), 0);
    EXPECT_EQ(Published().Waveform, WaveformIndex::Sine);
}

TEST_F(PanelFileButtons, UnreadableFileShowsTheMessageAndChangesNothing) {
    Start(0x1);
    dialogs.NextFile = WriteFile("gut.txt", "1\n-1\n");
    Click(C::WaveformFileButton);
    QTest::keyClick(List(C::WaveformList), Qt::Key_Home);  // back to "Sinus"
    const ChannelSettings before = Published();

    dialogs.NextFile = WriteFile("leer.txt", "");
    Click(C::WaveformFileButton);
    ASSERT_EQ(dialogs.Errors.size(), 1u);
    EXPECT_EQ(dialogs.Errors[0], "Beim Einlesen der Datei \"" +
                                     QDir::toNativeSeparators(dialogs.NextFile) +
                                     "\" ist ein Fehler aufgetreten!");
    EXPECT_EQ(Text(C::WaveformFileName)->text(), "gut.txt");
    EXPECT_EQ(List(C::WaveformList)->currentText(), "Sinus");
    EXPECT_EQ(Published(), before);
    EXPECT_EQ(Edited(), before);
    EXPECT_EQ(PendingPoints(WaveformSlotCarrier), 2);  // the good table still waits

    dialogs.NextFile = folder.filePath("fehlt.txt");
    Click(C::AMFileButton);
    ASSERT_EQ(dialogs.Errors.size(), 2u);
    EXPECT_TRUE(dialogs.Errors[1].contains("fehlt.txt\" ist ein Fehler aufgetreten!"));
    EXPECT_EQ(Text(C::AMFileName)->text(), "");
    EXPECT_EQ(Published().AMWaveform, WaveformIndex::Sine);
}

TEST_F(PanelFileButtons, CancelledDialogDoesNothing) {
    Start(0x1);
    dialogs.NextFile.clear();
    Click(C::WaveformFileButton);
    EXPECT_EQ(dialogs.FileDialogs, 1);
    EXPECT_TRUE(dialogs.Errors.empty());
    EXPECT_EQ(Published().Waveform, WaveformIndex::Sine);
    EXPECT_EQ(List(C::WaveformList)->currentText(), "Sinus");
}

TEST(WaveformFileFilter, OffersTextAndCsvFirstThenAllFiles) {
    EXPECT_EQ(WaveformFileFilter(), "Text- und CSV-Dateien (*.txt *.csv);;Alle Dateien (*)");
}

}  // namespace
}  // namespace tonquelle::testing
