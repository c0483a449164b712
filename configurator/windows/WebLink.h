#pragma once

#include <QUrl>

// Opens the maker's web page through the desktop; a failure is silent. Tests replace the opener.
void OpenMakerWebPage();

using TUrlOpener = void (*)(const QUrl& url);
TUrlOpener SetUrlOpener(TUrlOpener opener);
