#include "configurator/windows/UBootSer.h"

#include "common/UpdaterRequest.h"
#include "common/windows/MessageBox.h"
#include "configurator/ProjectSession.h"
#include "configurator/RunAndWait.h"
#include "configurator/windows/ClickSound.h"
#include "configurator/windows/Controls.h"
#include "configurator/windows/Pictures.h"
#include "configurator/windows/WindowConstants.h"
#include "serial/ComPortProbe.h"
#include "serial/PortDiagnosis.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

TFBootSer* FBootSer = nullptr;
std::string TFBootSer::DeviceFolder = DefaultPortFolder;
std::string TFBootSer::UserPortFolder = ::UserPortFolder();
int TFBootSer::GiveUpMs = RunAndWaitGiveUpMs;

namespace {

QCheckBox* MakeOption(QWidget* parent, const char* name, const QString& text) {
    auto* box = new QCheckBox(text, parent);
    box->setObjectName(name);
    box->setAccessibleName(text);
    box->setChecked(true);
    return box;
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
    LbButton1->setDefault(true); // Enter on the chosen port connects

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

void TFBootSer::CoverFirstPage(bool covered) {
    Panel1->setVisible(covered);
    // Covered controls stay visible underneath; disabled, neither Tab nor a default-button key
    // reaches them (a covered Connect would reopen the port the updater needs).
    for (QWidget* w : std::initializer_list<QWidget*>{CB_Com, LbButton1, LbButton2, LbButton3})
        w->setEnabled(!covered);
}

void TFBootSer::FormShow() {
    Label1->setText(FirstLabel);
    CoverFirstPage(false);
    LbButton1->setDefault(true);
    Connected = false;
    for (QWidget* w :
         std::initializer_list<QWidget*>{Label1, Label2, Label3, Label4, Label5, Label6, LbButton5})
        w->show();
    RefreshComPorts();
}

void TFBootSer::RefreshComPorts() {
    CB_Com->clear();
    std::vector<std::string> names = ListComPorts(DeviceFolder);
    // Virtual ports linked in the user's own port folder, shown by their full path.
    for (const auto& path : ListUserComPorts(UserPortFolder))
        names.push_back(path);
    // The name forms the path. A port is opened once, by the list itself: a second open for a
    // description would block for seconds on a wireless port and pulse DTR on whatever is attached;
    // what is behind a port is told when Connect fails on it.
    for (const auto& name : names)
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
        Comm1.SetDeviceName(DevicePath());
        Comm1.Open();
        Comm1.SetDtr(true);
        Connected = true;
    } catch (const ECommError& e) {
        // A setting refused after the open leaves the port held by the wizard itself: let it go
        // first, so that the diagnosis does not take the wizard for another program.
        const bool opened = Comm1.IsOpen();
        try {
            Comm1.Close();
        } catch (const std::exception&) {
        }
        std::string refused;
        if (opened)
            refused = Comm1.DeviceName() + " opened, but the port refused a setting: " + e.what() +
                      (e.Reason.empty() ? std::string() : " (" + e.Reason + ")") + "\n";
        ShowMessageBox("Error!! Com Port cannot be open.", std::string(), TMessageIcon::Error,
                       refused + FormatPortDiagnosis(DiagnosePort(Comm1.DeviceName())));
    }
}

void TFBootSer::LbButton2Click() {
    if (!Connected) {
        ShowMessageBox("Select one port.", std::string(), TMessageIcon::Error);
        return;
    }
    Panel1->setGeometry(0, 0, width(), height());
    CoverFirstPage(true);
    Panel1->raise();
    LbButton4->setDefault(true);
    for (QWidget* w :
         std::initializer_list<QWidget*>{Label1, Label2, Label3, Label4, Label5, Label6, LbButton5})
        w->hide();
    try {
        Comm1.Close();
    } catch (const std::exception&) {
    }
}

std::string TFBootSer::DevicePath() const {
    return ComPortPath(CB_Com->currentText().toStdString(), DeviceFolder);
}

TUpdaterRequest TFBootSer::UpdaterRequest() const {
    return ProcessSession().UpdaterRequest(DevicePath(), CB_Firm->isChecked(), CB_RFirm->isChecked(),
                                           CB_Proj->isChecked(), CB_RProj->isChecked());
}

std::string TFBootSer::UpdaterParameters() const {
    return ComposeUpdaterParameters(UpdaterRequest());
}

void TFBootSer::LbButton4Click() {
    const std::string problem = ProcessSession().RunUpdater(UpdaterRequest(), GiveUpMs);
    if (!problem.empty())
        ShowMessageBox(problem, std::string(), TMessageIcon::Error);
}

void TFBootSer::FormClose() {
    try {
        Comm1.Close();
    } catch (const std::exception&) {
    }
}

void TFBootSer::showEvent(QShowEvent* event) {
    // Restoring a minimised wizard shows it again spontaneously: it stays on its page.
    if (!event->spontaneous())
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
