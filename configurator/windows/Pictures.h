#pragma once

#include <QIcon>
#include <QPixmap>

// The configurator's pictures, drawn in code.
QPixmap MakerLogo(int width, int height);
QPixmap InfoGlyph(int size);

// The ping result window's three pictures, PingPictureSize pixels square.
constexpr int PingPictureSize = 48;
QPixmap FoundPicture();
QPixmap NotFoundPicture();
QPixmap ErrorPicture();

// The wizard's refresh button: two arrows in a circle, 16 pixels square.
QIcon RefreshIcon();
