#pragma once

#include <QPixmap>

// The configurator's pictures, drawn in code.
QPixmap MakerLogo(int width, int height);
QPixmap InfoGlyph(int size);
