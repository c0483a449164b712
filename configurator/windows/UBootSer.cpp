#include "configurator/windows/UBootSer.h"

#include "common/CommandLine.h"
#include "common/FileContract.h"
#include "common/windows/MessageBox.h"
#include "configurator/ProjectPaths.h"
#include "configurator/RunAndWait.h"
#include "configurator/windows/ClickSound.h"
#include "configurator/windows/Controls.h"
#include "configurator/windows/WindowConstants.h"
#include "serial/ComPortProbe.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

TFBootSer* FBootSer = nullptr;
std::string TFBootSer::DeviceFolder = DefaultPortFolder;
int TFBootSer::GiveUpMs = RunAndWaitGiveUpMs;

namespace {

QCheckBox* MakeOption(QWidget* parent, const char* name, const QString& text) {
    auto* box = new QCheckBox(text, parent);
    box->setObjectName(name);
    box->setAccessibleName(text);
    box->setChecked(true);
    return box;
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

const char* const FirstLabel = "Follow these steps to update the ZE50321 from RS232:";

} // namespace

TFBootSer::TFBootSer(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowCloseButtonHint) {
    setObjectName("FBootSer");
    setWindowTitle("Update Firmware from Serial (RS232)");

    Label1 = MakeLabel(this, "Label1", FirstLabel);
    Label2 = MakeLabel(this, "Label2", "1 - Turn OFF the Device");
    Label3 = MakeLabel(this, "Label3", "2 - Insert the Boot Jumper (see the manual)");
    Label4 = MakeLabel(this, "Label4", "3 - Select the  COM port and press the connect button");
    CB_Com = new QComboBox(this);
    CB_Com->setObjectName("CB_Com");
    CB_Com->setEditable(false);
    CB_Com->setAccessibleName("Serial port");
    Label4->setBuddy(CB_Com);
    LbButton5 = MakeButton(this, "LbButton5", QString(), "Update COM Port List");
    LbButton5->setIcon(RefreshIcon());
    LbButton5->setToolTip("Update COM Port List");
    LbButton5->setFixedWidth(28);
    LbButton1 = MakeButton(this, "LbButton1", "Connect", "Connect");
    Label5 = MakeLabel(this, "Label5", "4 - Turn ON the Device");
    Label6 = MakeLabel(this, "Label6", "5 - Check the BOOT led. It must blink quickly");
    LbButton3 = MakeButton(this, "LbButton3", "Cancel", "Cancel");
    LbButton2 = MakeButton(this, "LbButton2", "Next", "Next");

    auto* layout = new QGridLayout(this);
    layout->addWidget(Label1, 0, 0, 1, 4);
    layout->addWidget(Label2, 1, 0, 1, 4);
    layout->addWidget(Label3, 2, 0, 1, 4);
    layout->addWidget(Label4, 3, 0, 1, 4);
    layout->addWidget(CB_Com, 4, 0, 1, 2);
    layout->addWidget(LbButton5, 4, 2);
    layout->addWidget(LbButton1, 4, 3);
    layout->addWidget(Label5, 5, 0, 1, 4);
    layout->addWidget(Label6, 6, 0, 1, 4);
    layout->addWidget(LbButton3, 7, 2);
    layout->addWidget(LbButton2, 7, 3);

    // The options page lies over the whole first page once shown.
    Panel1 = new QWidget(this);
    Panel1->setObjectName("Panel1");
    Panel1->setAutoFillBackground(true);
    Label7 = MakeLabel(Panel1, "Label7", "Update Device Options");
    CB_Firm = MakeOption(Panel1, "CB_Firm", "Firmware");
    CB_RFirm = MakeOption(Panel1, "CB_RFirm", "Read Firmware when finish");
    CB_Proj = MakeOption(Panel1, "CB_Proj", "Project");
    CB_RProj = MakeOption(Panel1, "CB_RProj", "Read Project when finish");
    LbButton4 = MakeButton(Panel1, "LbButton4", "Execute update firmware", "Execute update firmware");
    auto* options = new QGridLayout(Panel1);
    options->addWidget(Label7, 0, 0, 1, 2);
    options->addWidget(CB_Firm, 1, 0, 1, 2);
    options->addWidget(CB_RFirm, 2, 1);
    options->addWidget(CB_Proj, 3, 0, 1, 2);
    options->addWidget(CB_RProj, 4, 1);
    options->addWidget(LbButton4, 5, 0, 1, 2, Qt::AlignHCenter);
    options->setColumnMinimumWidth(0, 24);
    options->setRowStretch(6, 1);
    for (QCheckBox* box : {CB_Firm, CB_RFirm, CB_Proj, CB_RProj})
        box->installEventFilter(this);
    Panel1->hide();

    setFixedSize(sizeHint().expandedTo(QSize(420, 300)));

    Comm1.SetDeviceName("Com2");
    Comm1.SetMonitorEvents(AllCommEvents);
    Comm1.SetOptions(0);

    connect(LbButton5, &QPushButton::clicked, this, [this] { LbButton5Click(); });
    connect(LbButton1, &QPushButton::clicked, this, [this] { LbButton1Click(); });
    connect(LbButton2, &QPushButton::clicked, this, [this] { LbButton2Click(); });
    connect(LbButton3, &QPushButton::clicked, this, [this] { done(ModalResultCancel); });
    connect(LbButton4, &QPushButton::clicked, this, [this] { LbButton4Click(); });
}

TFBootSer::~TFBootSer() = default;

void TFBootSer::FormShow() {
    Label1->setText(FirstLabel);
    Panel1->hide();
    Connected = false;
    for (QWidget* w :
         std::initializer_list<QWidget*>{Label1, Label2, Label3, Label4, Label5, Label6, LbButton5})
        w->show();
    RefreshComPorts();
}

void TFBootSer::RefreshComPorts() {
    CB_Com->clear();
    for (const auto& name : ListComPorts(DeviceFolder))
        CB_Com->addItem(QString::fromStdString(name));
    if (CB_Com->count() > 0)
        CB_Com->setCurrentIndex(0);
}

void TFBootSer::LbButton1Click() {
    Connected = false;
    try {
        Comm1.Close();
    } catch (const std::exception&) {
    }
    try {
        Comm1.SetDeviceName(ComPortPath(CB_Com->currentText().toStdString(), DeviceFolder));
        Comm1.Open();
        Comm1.SetDtr(true);
        Connected = true;
    } catch (const std::exception&) {
        ShowMessageBox("Error!! Com Port cannot be open.", std::string(), TMessageIcon::Error);
    }
}

void TFBootSer::LbButton2Click() {
    if (!Connected) {
        ShowMessageBox("Select one port.", std::string(), TMessageIcon::Error);
        return;
    }
    Panel1->setGeometry(0, 0, width(), height());
    Panel1->show();
    Panel1->raise();
    for (QWidget* w :
         std::initializer_list<QWidget*>{Label1, Label2, Label3, Label4, Label5, Label6, LbButton5})
        w->hide();
    try {
        Comm1.Close();
    } catch (const std::exception&) {
    }
}

std::string TFBootSer::UpdaterParameters() const {
    std::string text = ComPortPath(CB_Com->currentText().toStdString(), DeviceFolder) + " ";
    text += CB_Firm->isChecked() ? "FW " : "NO ";
    text += CB_RFirm->isChecked() ? "FR " : "NO ";
    text += CB_Proj->isChecked() ? "PW " : "NO ";
    text += CB_RProj->isChecked() ? "PR " : "NO ";
    text += QuoteArgument(MasterDir + PathSeparator + FirmwareFileName) + " ";
    text += QuoteArgument(ProjectDir + PathSeparator + ImageFolder());
    return text;
}

void TFBootSer::LbButton4Click() {
    const std::string program = ExeDir + PathSeparator + UpdaterProgramName;
    const TRunOutcome outcome = RunAndWait(program, UpdaterParameters(), false, GiveUpMs);
    if (!outcome.Started)
        ShowMessageBox("Cannot start " + program + ": " + outcome.Error, std::string(), TMessageIcon::Error);
}

void TFBootSer::FormClose() {
    try {
        Comm1.Close();
    } catch (const std::exception&) {
    }
}

void TFBootSer::showEvent(QShowEvent* event) {
    FormShow();
    QDialog::showEvent(event);
}

void TFBootSer::done(int result) {
    FormClose();
    QDialog::done(result);
}

void TFBootSer::closeEvent(QCloseEvent* event) {
    FormClose();
    QDialog::closeEvent(event);
}

bool TFBootSer::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        auto* box = qobject_cast<QCheckBox*>(watched);
        if (box && box->isEnabled())
            PlayClickSound();
    }
    return QDialog::eventFilter(watched, event);
}
