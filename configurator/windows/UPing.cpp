#include "configurator/windows/UPing.h"

#include "configurator/windows/Pictures.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>

TFPing* FPing = nullptr;

namespace {

QLabel* MakePicture(QWidget* parent, const char* name, const char* accessibleName, const QPixmap& pixmap) {
    auto* picture = new QLabel(parent);
    picture->setObjectName(name);
    picture->setAccessibleName(accessibleName);
    picture->setPixmap(pixmap);
    picture->setGeometry(16, 16, PingPictureSize, PingPictureSize);
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
    Label1->setGeometry(80, 16, 204, PingPictureSize);
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
