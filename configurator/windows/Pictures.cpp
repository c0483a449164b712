#include "configurator/windows/Pictures.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>

QPixmap MakerLogo(int width, int height) {
    QPixmap pixmap(width, height);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient shade(0, 0, width, height);
    shade.setColorAt(0, QColor(0, 70, 140));
    shade.setColorAt(1, QColor(0, 140, 200));
    p.setBrush(shade);
    p.setPen(Qt::NoPen);
    p.drawRoundedRect(QRectF(0, 0, width, height), height / 5.0, height / 5.0);
    p.setPen(Qt::white);
    QFont font("Sans", 1, QFont::Bold);
    font.setPixelSize(height / 2);
    p.setFont(font);
    p.drawText(QRectF(0, 0, width, height), Qt::AlignCenter, "VELMORA");
    return pixmap;
}

QPixmap InfoGlyph(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor(0, 100, 180));
    p.setPen(Qt::NoPen);
    p.drawEllipse(QRectF(1, 1, size - 2, size - 2));
    p.setPen(Qt::white);
    QFont font("Serif", 1, QFont::Bold);
    font.setPixelSize(size * 2 / 3);
    p.setFont(font);
    p.drawText(QRectF(0, 0, size, size), Qt::AlignCenter, "i");
    return pixmap;
}
