#include "ui/url_opener.h"

#include <QDesktopServices>
#include <QString>
#include <QUrl>

#include "core/log.h"

namespace {

std::function<void(const std::string&)>& UrlOpener() {
    static std::function<void(const std::string&)> opener;
    return opener;
}

}  // namespace

void SetUrlOpener(std::function<void(const std::string&)> opener) {
    UrlOpener() = std::move(opener);
}

void OpenWebAddress(const std::string& address) {
    if (address.empty()) return;
    const QUrl url(QString::fromStdString(address), QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || (scheme != "http" && scheme != "https")) {
        g_pfnLog("OpenWebAddress: not a web address: %s", address.c_str());
        return;
    }
    if (UrlOpener()) {
        UrlOpener()(address);
        return;
    }
    QDesktopServices::openUrl(url);
}
