#include "app/UrlOpener.h"

#include <QDesktopServices>

namespace tonquelle {

void DesktopUrlOpener::Open(const QUrl& url) {
    QDesktopServices::openUrl(url);
}

}  // namespace tonquelle
