#include "app/MainWindow.h"

#include <QCloseEvent>

namespace tonquelle {

MainWindow::MainWindow() {
    setWindowTitle(QStringLiteral("Tonquelle"));
}

void MainWindow::closeEvent(QCloseEvent* event) {
    event->accept();
    emit WindowEventOccurred(WindowEvent::Close);
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    emit WindowEventOccurred(WindowEvent::Resize);
}

}  // namespace tonquelle
