#include "updater/windows/UUpdate.h"

#include "common/FileContract.h"
#include "common/windows/MessageBox.h"
#include "serial/PortAdapter.h"
#include "serial/PortDiagnosis.h"
#include "updater/CloseSignals.h"
#include "updater/SequenceRecord.h"
#include "updater/StatusTable.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

TFUpdate* FUpdate = nullptr;

namespace {

const char* const Caption = "ZA50321 Serial Update";
const QSize AutoClientSize(402, 162);
const QSize EmptyClientSize(442, 237);
constexpr int SignalWatchMs = 50;

QLabel* MakeLabel(QWidget* parent, const char* name, const char* text, const char* accessible, QRect where) {
    auto* label = new QLabel(QString::fromLatin1(text), parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setAccessibleName(QString::fromLatin1(accessible));
    label->setGeometry(where);
    return label;
}

// A screen reader reads a status line as its caption and current text: "FIRMWARE : Write in Progress...".
void ExposeLine(QLabel* caption, QLabel* label) {
    label->setAccessibleName(caption->text() + " " + label->text());
}

void SetLine(QLabel* caption, QLabel* label, TStatusLine line, int code) {
    const TStatusEntry* entry = StatusEntry(line, code);
    if (!entry)
        return;
    label->setText(QString::fromLatin1(entry->Text));
    ExposeLine(caption, label);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, QColor(entry->Colour.R, entry->Colour.G, entry->Colour.B));
    label->setPalette(palette);
}

// Ends every modal box that is up, the innermost first, as its OK would.
void CloseModalBoxes() {
    QWidget* last = nullptr;
    while (QWidget* modal = QApplication::activeModalWidget()) {
        if (modal == last)
            break; // it would not close
        last = modal;
        if (auto* dialog = qobject_cast<QDialog*>(modal))
            dialog->reject();
        else
            modal->close();
    }
}

} // namespace

TFUpdate::TFUpdate(const std::vector<std::string>& args, TUpdateTimings timings, QWidget* parent)
    : QDialog(parent) {
    setObjectName("FUpdate");
    setAccessibleName("Serial update");
    setWindowTitle(Caption);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);

    Panel_Auto = new QFrame(this);
    Panel_Auto->setObjectName("Panel_Auto");
    Panel_Auto->setAccessibleName("Update status");
    Panel_Auto->setGeometry(QRect(QPoint(0, 0), AutoClientSize));
    Label4 = MakeLabel(Panel_Auto, "Label4", "INIT :", "Init caption", QRect(24, 16, 100, 20));
    LInit = MakeLabel(Panel_Auto, "LInit", "Waiting...", "Init status", QRect(130, 16, 250, 20));
    Label6 = MakeLabel(Panel_Auto, "Label6", "FIRMWARE :", "Firmware caption", QRect(24, 44, 100, 20));
    LFirm = MakeLabel(Panel_Auto, "LFirm", "Waiting...", "Firmware status", QRect(130, 44, 250, 20));
    Label8 = MakeLabel(Panel_Auto, "Label8", "PROJECT :", "Project caption", QRect(24, 72, 100, 20));
    LProj = MakeLabel(Panel_Auto, "LProj", "Waiting...", "Project status", QRect(130, 72, 250, 20));
    Label4->setBuddy(LInit);
    Label6->setBuddy(LFirm);
    Label8->setBuddy(LProj);
    ExposeLine(Label4, LInit);
    ExposeLine(Label6, LFirm);
    ExposeLine(Label8, LProj);
    GPB = new QProgressBar(Panel_Auto);
    GPB->setObjectName("GPB");
    GPB->setAccessibleName("Transfer progress");
    GPB->setRange(0, 100);
    GPB->setValue(0);
    GPB->setGeometry(24, 104, 354, 20);
    StaticText1 = MakeLabel(Panel_Auto, "StaticText1", "Ver. 1.100", "Version", QRect(300, 136, 90, 18));

    Panel_Button = new QFrame(this);
    Panel_Button->setObjectName("Panel_Button");
    Panel_Button->setAccessibleName("Manual panel");
    Panel_Button->setGeometry(QRect(QPoint(0, 0), EmptyClientSize));
    Button2 = new QPushButton("Init", Panel_Button);
    Button2->setObjectName("Button2");
    Button2->setAccessibleName("Init");
    Button2->setGeometry(16, 16, 75, 25);
    Button2->hide();
    connect(Button2, &QPushButton::clicked, this, [this] { Button2Click(); });

    T_Avvio_Auto = new QTimer(this);
    T_Avvio_Auto->setObjectName("T_Avvio_Auto");
    T_Avvio_Auto->setInterval(timings.StartDelayMs);
    connect(T_Avvio_Auto, &QTimer::timeout, this, [this] { T_Avvio_AutoTimer(); });
    T_Auto = new QTimer(this);
    T_Auto->setObjectName("T_Auto");
    T_Auto->setInterval(timings.TickMs);
    connect(T_Auto, &QTimer::timeout, this, [this] { T_AutoTimer(); });

    Sequence = std::make_unique<TUpdateSequence>(ParseUpdateArguments(args), *this, timings);
    FormCreate(args);
}

TFUpdate::~TFUpdate() {
    // The worker goes first: it stops and releases the port before the window's parts go.
    Sequence.reset();
    if (FUpdate == this)
        FUpdate = nullptr;
}

void TFUpdate::FormCreate(const std::vector<std::string>& /*args*/) {
    switch (Arguments().Mode()) {
    case TUpdateMode::Empty:
        Panel_Button->show();
        Panel_Auto->hide();
        setFixedSize(EmptyClientSize);
        break;
    case TUpdateMode::Auto:
        Panel_Button->hide();
        Panel_Auto->show();
        setFixedSize(AutoClientSize);
        GPB->setValue(0);
        T_Avvio_Auto->setSingleShot(true);
        T_Avvio_Auto->start();
        break;
    case TUpdateMode::NothingToDo:
        setFixedSize(AutoClientSize);
        ShowMessage("Error!!! No update must do into device.");
        EndAtOnce = true;
        break;
    }
    CentreOnScreen();
}

void TFUpdate::CentreOnScreen() {
    if (const QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen())
        move(s->availableGeometry().center() - QPoint(width() / 2, height() / 2));
}

void TFUpdate::FormShow() {
    setWindowTitle(Caption);
}

void TFUpdate::showEvent(QShowEvent* event) {
    FormShow();
    QDialog::showEvent(event);
}

void TFUpdate::closeEvent(QCloseEvent* event) {
    // A close while a transfer is awaited gives it up; the sequence then returns and the program ends.
    CloseRequested = true;
    QDialog::closeEvent(event);
}

void TFUpdate::keyPressEvent(QKeyEvent* event) {
    // Escape does not close this window; only the close button does.
    if (event->key() == Qt::Key_Escape) {
        event->ignore();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TFUpdate::T_Avvio_AutoTimer() {
    T_Avvio_Auto->stop();
    RunAutoUpdate();
}

void TFUpdate::T_AutoTimer() {
    Sequence->ProgressTick();
}

void TFUpdate::RunAutoUpdate() {
    Running = true;
    TRecordContext record;
    record.Program = UpdaterProgramName;
    record.Start = std::chrono::system_clock::now();
    record.Adapter = DescribePortAdapter(Arguments().PortName);
    Sequence->RunAutoUpdate();
    Running = false;
    // The record line, silently: a record that cannot be written changes nothing the window shows.
    record.End = std::chrono::system_clock::now();
    record.ExitCode = SequenceExitCode(*Sequence);
    std::string why;
    RecordSequence(*Sequence, record, why);
    if (CloseRequested)
        QCoreApplication::quit();
}

void TFUpdate::Button2Click() {
    Sequence->InitStep();
}

void TFUpdate::ShowStatus(int init, int firmware, int project) {
    SetLine(Label4, LInit, TStatusLine::Init, init);
    // The line keeps its fixed text; the reason the port did not open is its tool tip.
    // The worker's open error is used: opening the device again to diagnose it could find it changed.
    if (init == InitDeviceNotFound && LInit->toolTip().isEmpty()) {
        const std::string& port = Arguments().PortName;
        const int openError = Sequence->OpenErrorCode();
        LInit->setToolTip(QString::fromStdString(
            PortReason(openError != 0 ? DiagnoseFailedOpen(port, openError) : DiagnosePort(port))));
    }
    SetLine(Label6, LFirm, TStatusLine::Firmware, firmware);
    SetLine(Label8, LProj, TStatusLine::Project, project);
    ProcessEvents();
}

void TFUpdate::SetProgress(int percent) {
    GPB->setValue(percent);
}

void TFUpdate::EnableProgressTick(bool enabled) {
    if (!enabled)
        T_Auto->stop();
    else if (!T_Auto->isActive())
        T_Auto->start();
}

bool TFUpdate::ProgressTickEnabled() const {
    return T_Auto->isActive();
}

void TFUpdate::ProcessEvents() {
    QCoreApplication::processEvents();
}

int RunUpdaterProgram(const std::vector<std::string>& args) {
    // A logout or a kill closes the window as its close button does: the transfer is given up and
    // the read-back file removed before the program ends. The watch runs from before the window is
    // made, as its creation may show the nothing-to-do box, whose own loop then ends at a signal.
    TCloseSignals closeSignals;
    TFUpdate* shown = nullptr;
    QTimer signalWatch;
    signalWatch.setInterval(SignalWatchMs);
    QObject::connect(&signalWatch, &QTimer::timeout, [&shown] {
        if (!TCloseSignals::Received())
            return;
        CloseModalBoxes();
        if (shown)
            shown->close();
    });
    signalWatch.start();
    TFUpdate window(args);
    FUpdate = &window;
    if (!window.EndRequested() && !TCloseSignals::Received()) {
        shown = &window;
        window.show();
        QApplication::exec();
    }
    FUpdate = nullptr;
    return 0;
}
