#pragma once

#include <QUrl>

namespace tonquelle {

// Hands a document or web address to the desktop's default program. The program uses the
// desktop services; the tests record the addresses instead of starting a browser.
class UrlOpener {
  public:
    virtual ~UrlOpener() = default;
    // False when the desktop has no program for it (no browser, no launcher).
    virtual bool Open(const QUrl& url) = 0;
};

class DesktopUrlOpener final : public UrlOpener {
  public:
    bool Open(const QUrl& url) override;
};

}  // namespace tonquelle
