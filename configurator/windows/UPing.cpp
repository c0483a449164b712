#include "configurator/windows/UPing.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>

TFPing* FPing = nullptr;

namespace {

constexpr int PictureSize = 48;

QPixmap BlankPicture() {
    QPixmap picture(PictureSize, PictureSize);
    picture.fill(Qt::transparent);
    return picture;
}

// A green disc with a white tick.
QPixmap FoundPicture() {
    QPixmap picture = BlankPicture();
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x2E, 0x9E, 0x44));
    p.drawEllipse(2, 2, PictureSize - 4, PictureSize - 4);
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
    p.drawEllipse(2, 2, PictureSize - 4, PictureSize - 4);
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
    triangle.moveTo(PictureSize / 2.0, 3);
    triangle.lineTo(PictureSize - 3, PictureSize - 5);
    triangle.lineTo(3, PictureSize - 5);
    triangle.closeSubpath();
    p.setPen(QPen(QColor(0x5A, 0x46, 0x00), 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(QColor(0xF5, 0xC2, 0x1B));
    p.drawPath(triangle);
    p.setPen(QPen(Qt::black, 4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(PictureSize / 2, 16, PictureSize / 2, 30);
    p.drawPoint(PictureSize / 2, 37);
    return picture;
}

QLabel* MakePicture(QWidget* parent, const char* name, const char* accessibleName, const QPixmap& pixmap) {
    auto* picture = new QLabel(parent);
    picture->setObjectName(name);
    picture->setAccessibleName(accessibleName);
    picture->setPixmap(pixmap);
    picture->setGeometry(16, 16, PictureSize, PictureSize);
    return picture;
}

} // namespace

TFPing::TFPing(QWidget* parent) : QDialog(parent) {
    setObjectName("FPing");
    setAccessibleName("Ping result");
    setWindowTitle("Ping!");
    // A fixed frame with a title but no title-bar buttons.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setFixedSize(300, 120);

    I_P_F = MakePicture(this, "I_P_F", "Device found picture", FoundPicture());
    I_P_NF = MakePicture(this, "I_P_NF", "Device not found picture", NotFoundPicture());
    I_P_E = MakePicture(this, "I_P_E", "Error picture", ErrorPicture());

    Label1 = new QLabel(this);
    Label1->setObjectName("Label1");
    Label1->setAccessibleName("Ping outcome");
    Label1->setGeometry(80, 16, 204, PictureSize);
    Label1->setWordWrap(true);
    Label1->setTextFormat(Qt::PlainText);

    LbButton1 = new QPushButton("OK", this);
    LbButton1->setObjectName("LbButton1");
    LbButton1->setAccessibleName("OK");
    LbButton1->setGeometry(110, 80, 80, 28);
    LbButton1->setDefault(true);
    connect(LbButton1, &QPushButton::clicked, this, [this] { LbButton1Click(); });

    ShowResult(0, "Ping!", "");
}

void TFPing::ShowResult(int kind, const std::string& caption, const std::string& message) {
    I_P_F->hide();
    I_P_NF->hide();
    I_P_E->hide();
    if (kind == 0)
        I_P_F->show();
    else if (kind == 1)
        I_P_NF->show();
    else if (kind == 2)
        I_P_E->show();
    Label1->setText(QString::fromStdString(message));
    setWindowTitle(QString::fromStdString(caption));
}

void TFPing::LbButton1Click() {
    close();
}

void TFPing::showEvent(QShowEvent* event) {
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    QDialog::showEvent(event);
}
