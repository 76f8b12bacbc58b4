#pragma once

#include <QUrl>

namespace tonquelle {

// Hands a document or web address to the desktop's default program. The program uses the
// desktop services; the tests record the addresses instead of starting a browser.
class UrlOpener {
  public:
    virtual ~UrlOpener() = default;
    // Whether the desktop could open it is not reported: nobody acts on it.
    virtual void Open(const QUrl& url) = 0;
};

class DesktopUrlOpener final : public UrlOpener {
  public:
    void Open(const QUrl& url) override;
};

}  // namespace tonquelle
