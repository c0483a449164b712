#include "configurator/windows/UAbout.h"

#include "configurator/windows/Controls.h"
#include "configurator/windows/Pictures.h"
#include "configurator/windows/WebLink.h"
#include "configurator/windows/WindowConstants.h"

#include <QGridLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>

TFAbout* FAbout = nullptr;

TFAbout::TFAbout(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    setObjectName("FAbout");
    setWindowTitle("About...");

    Image2 = MakeLabel(this, "Image2", QString());
    Image2->setPixmap(MakerLogo(200, 48));
    Image2->setAccessibleName("Maker's logo, opens the maker's web page");
    Image2->setCursor(Qt::PointingHandCursor);
    Image2->installEventFilter(this);

    Label1 = MakeLabel(this, "Label1", "Software Velmora ");
    QFont bold = Label1->font();
    bold.setBold(true);
    Label1->setFont(bold);
    Label2 = MakeLabel(this, "Label2", "CAN / Ethernet - Converter");
    Label6 = MakeLabel(this, "Label6", "Software Code : ");
    Label9 = MakeLabel(this, "Label9", "ZA50321");
    Label3 = MakeLabel(this, "Label3", "Version :");
    Label10 = MakeLabel(this, "Label10", "1.503");
    Label8 = MakeLabel(this, "Label8", "Document Code :");
    Label12 = MakeLabel(this, "Label12", "MN50321");
    Label4 = MakeLabel(this, "Label4", QString::fromLatin1(MakerWebAddress));
    QFont underlined = Label4->font();
    underlined.setUnderline(true);
    Label4->setFont(underlined);
    Label4->setStyleSheet("color: rgb(0, 0, 255)");
    Label4->setCursor(Qt::PointingHandCursor);
    Label4->setAccessibleName("Maker's web page");
    Label4->installEventFilter(this);

    LbButton1 = new QPushButton("OK", this);
    LbButton1->setObjectName("LbButton1");
    LbButton1->setAccessibleName("OK");
    LbButton1->setDefault(true);
    connect(LbButton1, &QPushButton::clicked, this, [this] { done(ModalResultOk); });

    auto* layout = new QGridLayout(this);
    layout->addWidget(Image2, 0, 0, 1, 2, Qt::AlignHCenter);
    layout->addWidget(Label1, 1, 0, 1, 2);
    layout->addWidget(Label2, 2, 0, 1, 2);
    layout->addWidget(Label6, 3, 0);
    layout->addWidget(Label9, 3, 1);
    layout->addWidget(Label3, 4, 0);
    layout->addWidget(Label10, 4, 1);
    layout->addWidget(Label8, 5, 0);
    layout->addWidget(Label12, 5, 1);
    layout->addWidget(Label4, 6, 0, 1, 2);
    layout->addWidget(LbButton1, 7, 0, 1, 2, Qt::AlignHCenter);
    setFixedSize(sizeHint());
}

void TFAbout::FormShow() {
    Label9->setText("ZA50321");
    Label12->setText("MN50321");
}

void TFAbout::Label4Click() {
    OpenMakerWebPage();
}

void TFAbout::showEvent(QShowEvent* event) {
    FormShow();
    QDialog::showEvent(event);
}

bool TFAbout::eventFilter(QObject* watched, QEvent* event) {
    if ((watched == Label4 || watched == Image2) && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        Label4Click();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}
