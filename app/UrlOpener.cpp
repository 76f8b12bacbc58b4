#include "app/UrlOpener.h"

#include <QDesktopServices>

namespace tonquelle {

bool DesktopUrlOpener::Open(const QUrl& url) {
    return QDesktopServices::openUrl(url);
}

}  // namespace tonquelle
