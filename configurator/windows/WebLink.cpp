#include "configurator/windows/WebLink.h"

#include "configurator/windows/WindowConstants.h"

#include <QDesktopServices>

#include <utility>

namespace {

void OpenWithDesktop(const QUrl& url) {
    QDesktopServices::openUrl(url);
}

TUrlOpener CurrentOpener = OpenWithDesktop;

} // namespace

void OpenMakerWebPage() {
    CurrentOpener(QUrl(QString::fromLatin1(MakerWebAddress)));
}

TUrlOpener SetUrlOpener(TUrlOpener opener) {
    return std::exchange(CurrentOpener, opener);
}
