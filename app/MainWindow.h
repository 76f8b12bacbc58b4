#pragma once

#include <QMainWindow>

#include "app/ShellNumbers.h"

namespace tonquelle {

// The main window "Tonquelle". It only reports its close box and its size changes; the shell
// decides what they mean.
class MainWindow final : public QMainWindow {
    Q_OBJECT

  public:
    MainWindow();

  signals:
    void WindowEventOccurred(tonquelle::WindowEvent event);

  protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
};

}  // namespace tonquelle
