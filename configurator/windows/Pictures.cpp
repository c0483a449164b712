#include "configurator/windows/Pictures.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

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

namespace {

QPixmap BlankPicture() {
    QPixmap picture(PingPictureSize, PingPictureSize);
    picture.fill(Qt::transparent);
    return picture;
}

} // namespace

// A green disc with a white tick.
QPixmap FoundPicture() {
    QPixmap picture = BlankPicture();
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x2E, 0x9E, 0x44));
    p.drawEllipse(2, 2, PingPictureSize - 4, PingPictureSize - 4);
    p.setPen(QPen(Qt::white, 5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPolyline(QPolygon({QPoint(13, 25), QPoint(21, 33), QPoint(35, 16)}));
    return picture;
}

// A grey disc with a red cross.
QPixmap NotFoundPicture() {
    QPixmap picture = BlankPicture();
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x9A, 0x9A, 0x9A));
    p.drawEllipse(2, 2, PingPictureSize - 4, PingPictureSize - 4);
    p.setPen(QPen(QColor(0xC6, 0x28, 0x28), 5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(15, 15, 33, 33);
    p.drawLine(33, 15, 15, 33);
    return picture;
}

// A yellow warning triangle with an exclamation mark.
QPixmap ErrorPicture() {
    QPixmap picture = BlankPicture();
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath triangle;
    triangle.moveTo(PingPictureSize / 2.0, 3);
    triangle.lineTo(PingPictureSize - 3, PingPictureSize - 5);
    triangle.lineTo(3, PingPictureSize - 5);
    triangle.closeSubpath();
    p.setPen(QPen(QColor(0x5A, 0x46, 0x00), 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(QColor(0xF5, 0xC2, 0x1B));
    p.drawPath(triangle);
    p.setPen(QPen(Qt::black, 4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(PingPictureSize / 2, 16, PingPictureSize / 2, 30);
    p.drawPoint(PingPictureSize / 2, 37);
    return picture;
}

// Two arrows in a circle: the refresh picture.
QIcon RefreshIcon() {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0, 110, 0), 2));
    p.drawArc(QRectF(2, 2, 12, 12), 30 * 16, 300 * 16);
    p.setBrush(QColor(0, 110, 0));
    p.drawPolygon(QPolygonF({QPointF(11, 1), QPointF(15, 5), QPointF(10, 6)}));
    return QIcon(pixmap);
}
