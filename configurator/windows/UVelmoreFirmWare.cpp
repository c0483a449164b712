#include "configurator/windows/UVelmoreFirmWare.h"

#include "common/windows/MessageBox.h"
#include "configurator/ProjectSession.h"
#include "configurator/windows/Controls.h"
#include "configurator/windows/FolderBrowser.h"
#include "configurator/windows/Pictures.h"
#include "configurator/windows/UAbout.h"
#include "configurator/windows/Unewp.h"
#include "configurator/windows/Upargen.h"
#include "configurator/windows/WebLink.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>

TFVelmoreFirmWare* FVelmoreFirmWare = nullptr;
TFVelmoreFirmWare::TFolderChooser TFVelmoreFirmWare::FolderChooser = BrowseForProjectFolder;

TFVelmoreFirmWare::TFVelmoreFirmWare(const std::string& programPath, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    setObjectName("FVelmoreFirmWare");

    // Made first, so that the keyboard follows the eye: the buttons at the top right, then the steps.
    about = MakeButton(this, "about", "About", "About");
    about->setIcon(QIcon(InfoGlyph(16)));
    LbButton1 = MakeButton(this, "LbButton1", "X", "Close");
    LbButton1->setFixedWidth(28);
    Label1 = MakeLabel(this, "Label1", "Step 1");
    Label2 = MakeLabel(this, "Label2", "Step 2");
    Label3 = MakeLabel(this, "Label3", "Step 3");
    New = MakeButton(this, "New", "New project", "New project");
    open = MakeButton(this, "open", "Open project", "Open project");
    btn_Prm_Gen = MakeButton(this, "btn_Prm_Gen", "Set Communication", "Set Communication");
    Btn_Ping = MakeButton(this, "Btn_Ping", "Ping Device", "Ping Device");
    Edit1 = new QLineEdit("255.255.255.255", this);
    Edit1->setObjectName("Edit1");
    Edit1->setAccessibleName("Device IP address");
    LbButton2 = MakeButton(this, "LbButton2", "Update Via Serial", "Update Via Serial");
    Label6 = MakeLabel(this, "Label6", QString::fromLatin1(MakerWebAddress));
    Label6->setCursor(Qt::PointingHandCursor);
    Label6->setStyleSheet("color: rgb(0, 0, 255)");
    Label6->setAccessibleName("Maker's web page");
    Label6->installEventFilter(this);

    auto* top = new QHBoxLayout;
    top->addStretch();
    top->addWidget(about);
    top->addWidget(LbButton1);
    auto* grid = new QGridLayout;
    grid->addWidget(Label1, 0, 0);
    grid->addWidget(New, 0, 1);
    grid->addWidget(open, 0, 2);
    grid->addWidget(Label2, 1, 0);
    grid->addWidget(btn_Prm_Gen, 1, 1);
    grid->addWidget(Btn_Ping, 1, 2);
    grid->addWidget(Edit1, 1, 3);
    grid->addWidget(Label3, 2, 0);
    grid->addWidget(LbButton2, 2, 1);
    auto* layout = new QGridLayout(this);
    layout->addLayout(top, 0, 0);
    layout->addLayout(grid, 1, 0);
    layout->addWidget(Label6, 2, 0, Qt::AlignRight);
    setFixedSize(sizeHint().expandedTo(QSize(560, 200)));

    connect(New, &QPushButton::clicked, this, [this] { NewaClick(); });
    connect(open, &QPushButton::clicked, this, [this] { OpenaClick(); });
    connect(btn_Prm_Gen, &QPushButton::clicked, this, [this] { btn_str_lng1aClick(btn_Prm_Gen); });
    connect(Btn_Ping, &QPushButton::clicked, this, [this] { btn_str_lng1aClick(Btn_Ping); });
    connect(LbButton2, &QPushButton::clicked, this, [this] { CreateBinaClick(); });
    connect(about, &QPushButton::clicked, this, [this] { AboutClick(); });
    connect(LbButton1, &QPushButton::clicked, this, [this] { LbButton1Click(); });

    FormCreate(programPath);
}

TFVelmoreFirmWare::~TFVelmoreFirmWare() = default;

void TFVelmoreFirmWare::FormCreate(const std::string& programPath) {
    ProcessSession().Start(programPath);
    ShowCaption(ProcessSession().ShownName());
}

void TFVelmoreFirmWare::ShowCaption(const std::string& name) {
    setWindowTitle(QString::fromLatin1(CaptionPrefix) + QString::fromStdString(name));
}

void TFVelmoreFirmWare::NewaClick() {
    DestinationDir = ProjectsDir;
    ProcessSession().NewProjectClosed(Fsaveproj->exec() == ModalResultOk);
    ShowCaption(ProcessSession().ShownName());
}

void TFVelmoreFirmWare::OpenaClick() {
    const std::string current = ProcessSession().BeginOpenProject();
    bool chosen = false;
    const std::string folder = FolderChooser(this, ProjectsDir, current, &chosen);
    ProcessSession().EndOpenProject(chosen, folder);
    ShowCaption(ProcessSession().ShownName());
}

void TFVelmoreFirmWare::btn_str_lng1aClick(QObject* sender) {
    if (!ProcessSession().ProjectValid()) {
        ShowMessage("Project not valid");
        return;
    }
    if (sender == btn_Prm_Gen)
        Fpargen->exec();
    else if (sender == Btn_Ping)
        PingDevice();
}

void TFVelmoreFirmWare::FollowAddressOf(TFpargen& setCommunication) {
    connect(&setCommunication, &TFpargen::AddressSaved, this, [this](const QString& address) {
        if (Edit1)
            Edit1->setText(address);
    });
}

void TFVelmoreFirmWare::AboutClick() {
    FAbout->exec();
}

void TFVelmoreFirmWare::LbButton1Click() {
    close();
}

void TFVelmoreFirmWare::Label6Click() {
    OpenMakerWebPage();
}

void TFVelmoreFirmWare::FormClose() {
    if (!ProcessSession().SaveLastProject())
        ShowMessage("Unable to write to " + ProcessSession().IniFilePath());
}

void TFVelmoreFirmWare::closeEvent(QCloseEvent* event) {
    FormClose();
    QWidget::closeEvent(event);
    emit Closed();
}

bool TFVelmoreFirmWare::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Label6 && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        Label6Click();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}
