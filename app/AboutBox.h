#pragma once

#include <QString>
#include <QWidget>

namespace tonquelle {

// Version and build date shown in the About box.
inline constexpr int VersionMajor = 0;
inline constexpr int VersionMinor = 8;
inline constexpr int VersionPatch = 0;
inline constexpr int VersionBuild = 115;
inline constexpr long long BuildDateSeconds = 1441560509;  // seconds since 1970-01-01 UTC

// The address of the project's home page, shown and opened by the About box's link.
inline constexpr char HomePageAddress[] = "https://tonquelle.example.org/";

// "0.8.0-115 (06.09.2015)": the version and the build date (UTC) as the About box shows them.
QString VersionText();

// "Über Tonquelle": name, purpose, maker, version and date, the home-page link and "OK". Non-modal,
// owned by the main window, centred over it, without a close box and not resizable.
class AboutBox final : public QWidget {
    Q_OBJECT

  public:
    explicit AboutBox(QWidget& owner);

    // The controls by number (AboutTextControl, AboutLinkControl, AboutOkControl).
    QWidget* Control(int number) const;

  signals:
    // The link or the button was used: AboutLinkControl or AboutOkControl.
    void ControlActivated(int control);

  protected:
    void closeEvent(QCloseEvent* event) override;
};

}  // namespace tonquelle
