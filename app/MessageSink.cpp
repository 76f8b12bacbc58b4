#include "app/MessageSink.h"

#include <QMessageBox>

namespace tonquelle {

void MessageBoxSink::ShowError(QWidget* owner, const QString& text) {
    QMessageBox::critical(owner, QStringLiteral("Fehler"), text);
}

}  // namespace tonquelle
