#include "updater/windows/UUpdate.h"

#include "common/windows/MessageBox.h"
#include "tests/support/Await.h"
#include "tests/support/TempDir.h"
#include "tests/support/UpdateDevice.h"

#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace {

// Processes events until done() holds, at most the bound.
bool ProcessUntil(const std::function<bool()>& done) {
    return Await(
        [&] {
            if (done())
                return true;
            QCoreApplication::processEvents();
            return false;
        },
        std::chrono::seconds(30), std::chrono::milliseconds(2));
}

QColor TextColour(const QLabel* label) {
    return label->palette().color(QPalette::WindowText);
}

void ExpectLine(const QLabel* label, const char* text, QColor colour) {
    EXPECT_EQ(label->text().toStdString(), text) << label->objectName().toStdString();
    EXPECT_EQ(TextColour(label).name().toStdString(), colour.name().toStdString())
        << label->objectName().toStdString() << " " << text;
}

} // namespace

TEST(UUpdate, EmptyWindowWithoutArguments) {
    TMessageRecorder messages;
    TFUpdate window({});
    window.show();
    QCoreApplication::processEvents();
    EXPECT_EQ(window.windowTitle().toStdString(), "ZA50321 Serial Update");
    EXPECT_EQ(window.size(), QSize(442, 237));
    EXPECT_EQ(window.minimumSize(), window.maximumSize());
    EXPECT_TRUE(window.Panel_Button->isVisible());
    EXPECT_FALSE(window.Panel_Auto->isVisible());
    EXPECT_FALSE(window.Button2->isVisible());
    EXPECT_EQ(window.Button2->text().toStdString(), "Init");
    EXPECT_FALSE(window.T_Avvio_Auto->isActive());
    EXPECT_FALSE(window.T_Auto->isActive());
    EXPECT_FALSE(window.EndRequested());
    EXPECT_TRUE(messages.Messages().empty());
    EXPECT_EQ(window.UpdateSequence().Worker(), nullptr);
}

TEST(UUpdate, AutomaticWindowWaitsForItsStart) {
    TFUpdate window({"/dev/ttyUSB0", "FW", "NO", "NO", "NO", "/M/vod50321.sim", "/P/bin/"});
    window.show();
    EXPECT_EQ(window.size(), QSize(402, 162));
    EXPECT_EQ(window.minimumSize(), window.maximumSize());
    EXPECT_TRUE(window.Panel_Auto->isVisible());
    EXPECT_FALSE(window.Panel_Button->isVisible());
    EXPECT_EQ(window.windowTitle().toStdString(), "ZA50321 Serial Update");
    const struct {
        QLabel* Label;
        const char* Text;
    } texts[] = {{window.Label4, "INIT :"},         {window.LInit, "Waiting..."},
                 {window.Label6, "FIRMWARE :"},     {window.LFirm, "Waiting..."},
                 {window.Label8, "PROJECT :"},      {window.LProj, "Waiting..."},
                 {window.StaticText1, "Ver. 1.100"}};
    for (const auto& t : texts)
        EXPECT_EQ(t.Label->text().toStdString(), t.Text);
    EXPECT_EQ(window.GPB->minimum(), 0);
    EXPECT_EQ(window.GPB->maximum(), 100);
    EXPECT_EQ(window.GPB->value(), 0);
    EXPECT_TRUE(window.T_Avvio_Auto->isActive());
    EXPECT_TRUE(window.T_Avvio_Auto->isSingleShot());
    EXPECT_EQ(window.T_Avvio_Auto->interval(), 300);
    EXPECT_FALSE(window.T_Auto->isActive());
    EXPECT_EQ(window.T_Auto->interval(), 100);
    EXPECT_EQ(window.UpdateSequence().Worker(), nullptr);
    EXPECT_EQ(window.Arguments().PortName, "/dev/ttyUSB0");
}

TEST(UUpdate, NothingToDoShowsTheMessageAndEnds) {
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"COM3"}, std::vector<std::string>{"COM3", "NO", "NO", "NO", "NO"},
          std::vector<std::string>{"\\\\.\\COM3", "NO", "FR", "NO", "PR", "f", "d/"}}) {
        TMessageRecorder messages;
        EXPECT_EQ(RunUpdaterProgram(args), 0);
        ASSERT_EQ(messages.Texts(), std::vector<std::string>{"Error!!! No update must do into device."});
        EXPECT_EQ(messages.Messages()[0].Icon, TMessageIcon::None);

        TFUpdate window(args);
        EXPECT_TRUE(window.EndRequested());
        EXPECT_FALSE(window.T_Avvio_Auto->isActive());
        EXPECT_EQ(window.UpdateSequence().Worker(), nullptr);
    }
}

TEST(UUpdate, ShowStatusSetsTextsAndColours) {
    TFUpdate window({"/dev/ttyUSB0", "FW"});
    const QColor normal = TextColour(window.LInit);
    window.ShowStatus(1, 3, 7);
    ExpectLine(window.LInit, "OK", QColor(0, 255, 0));
    ExpectLine(window.LFirm, "Write in Progress...", QColor(0, 128, 0));
    ExpectLine(window.LProj, "File Project not found", QColor(255, 0, 0));
    window.ShowStatus(2, 0, 4);
    ExpectLine(window.LInit, "Device Not Found", QColor(255, 0, 0));
    ExpectLine(window.LFirm, "Not Used", QColor(128, 128, 128));
    ExpectLine(window.LProj, "Read in Progress...", QColor(0, 0, 255));
    // A code the line does not have leaves the label as it is.
    window.ShowStatus(3, 1, 1);
    ExpectLine(window.LInit, "Device Not Found", QColor(255, 0, 0));
    ExpectLine(window.LFirm, "Waiting...", QColor(0, 0, 0));
    EXPECT_TRUE(normal.isValid());
}

TEST(UUpdate, RunsTheSequenceAgainstADevice) {
    TTempDir dir;
    const std::string firmware = dir / "vod50321.sim";
    std::string bytes(700, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(i * 13 + 5);
    WriteFileBytes(firmware, bytes);
    TUpdateDevice device;
    // The image is missing: the tick still runs once after the sequence and leaves the bar full.
    TFUpdate window({device.Path(), "FW", "FR", "PW", "PR", firmware, dir.Path() + "/"}, ShortTimings());
    window.UpdateSequence().OnWorkerCreated = [](Tarm_SER& worker) { ShortenLinkTimings(worker); };
    window.show();
    ASSERT_TRUE(ProcessUntil([&] { return window.UpdateSequence().End != TSequenceEnd::NotRun; }));
    ASSERT_TRUE(ProcessUntil([&] { return !window.T_Auto->isActive(); }));
    EXPECT_FALSE(window.T_Avvio_Auto->isActive());
    ExpectLine(window.LInit, "OK", QColor(0, 255, 0));
    ExpectLine(window.LFirm, "OK", QColor(0, 255, 0));
    ExpectLine(window.LProj, "File Project not found", QColor(255, 0, 0));
    EXPECT_EQ(window.GPB->value(), 100);
    EXPECT_TRUE(window.UpdateSequence().ResetRequested);
    EXPECT_EQ(device.Memory(FirmwareRegionFirst, 700), bytes);
    EXPECT_TRUE(window.isVisible()); // stays open until the user closes it
}

// A screen reader reads each status line as its caption and current text, and the bar's value.
TEST(UUpdate, AccessibleStatusLinesAndProgressDuringAndAfterASequence) {
    TTempDir dir;
    const std::string firmware = dir / "vod50321.sim";
    WriteFileBytes(firmware, std::string(700, 'f'));
    TUpdateDevice device;
    TFUpdate window({device.Path(), "FW", "NO", "PW", "NO", firmware, dir.Path() + "/"}, ShortTimings());
    window.UpdateSequence().OnWorkerCreated = [](Tarm_SER& worker) { ShortenLinkTimings(worker); };
    const auto read = [](QWidget* w) {
        return QAccessible::queryAccessibleInterface(w)->text(QAccessible::Name).toStdString();
    };
    const auto value = [&] {
        return QAccessible::queryAccessibleInterface(window.GPB)->valueInterface()->currentValue().toInt();
    };
    EXPECT_EQ("INIT : Waiting...", read(window.LInit));
    // What a reader finds while the sequence runs, sampled from inside its event processing.
    std::vector<std::string> firmwareLines;
    bool midway = false;
    QTimer sampler;
    QObject::connect(&sampler, &QTimer::timeout, [&] {
        if (firmwareLines.empty() || firmwareLines.back() != read(window.LFirm))
            firmwareLines.push_back(read(window.LFirm));
        midway = midway || (value() > 0 && value() < 100);
    });
    sampler.start(1);
    window.show();
    ASSERT_TRUE(ProcessUntil([&] { return window.UpdateSequence().End != TSequenceEnd::NotRun; }));
    sampler.stop();
    EXPECT_NE(std::find(firmwareLines.begin(), firmwareLines.end(), "FIRMWARE : Write in Progress..."),
              firmwareLines.end());
    EXPECT_TRUE(midway);
    EXPECT_EQ("INIT : OK", read(window.LInit));
    EXPECT_EQ("FIRMWARE : OK", read(window.LFirm));
    EXPECT_EQ("PROJECT : File Project not found", read(window.LProj));
    ASSERT_TRUE(ProcessUntil([&] { return !window.T_Auto->isActive(); }));
    EXPECT_EQ(100, value());
}

TEST(UUpdate, DeviceNotFoundStopsAtInitAfterTheWholeInitWait) {
    TTempDir dir;
    // The program's own timings: the converter's init time is waited out even when the port did
    // not open.
    const TUpdateTimings timings;
    TFUpdate window({dir / "no-such-device", "FW", "NO", "PW", "NO", dir / "f", dir.Path() + "/"}, timings);
    std::chrono::steady_clock::time_point started;
    window.UpdateSequence().OnWorkerCreated = [&](Tarm_SER&) { started = std::chrono::steady_clock::now(); };
    window.show();
    ASSERT_TRUE(ProcessUntil([&] { return window.UpdateSequence().End != TSequenceEnd::NotRun; }));
    EXPECT_GE(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(timings.InitWaitMs));
    ExpectLine(window.LInit, "Device Not Found", QColor(255, 0, 0));
    EXPECT_EQ(window.LInit->toolTip().toStdString(), "does not exist");
    ExpectLine(window.LFirm, "Waiting...", QColor(0, 0, 0));
    ExpectLine(window.LProj, "Waiting...", QColor(0, 0, 0));
    EXPECT_FALSE(window.UpdateSequence().ResetRequested);
}

TEST(UUpdate, ClosingTheWindowGivesUpATransferThatNeverEnds) {
    TTempDir dir;
    const std::string firmware = dir / "vod50321.sim";
    WriteFileBytes(firmware, std::string(300, '\x5a'));
    TSimulatorOptions silent = FastSimulator();
    silent.SilentAfter = 1;
    TUpdateDevice device(silent);
    TFUpdate window({device.Path(), "FW", "FR", "NO", "NO", firmware, dir.Path() + "/"}, ShortTimings());
    window.UpdateSequence().OnWorkerCreated = [](Tarm_SER& worker) { ShortenLinkTimings(worker); };
    window.show();
    // Close as soon as the write is seen running.
    QTimer closer;
    closer.setInterval(5);
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (window.LFirm->text() == "Write in Progress...") {
            closer.stop();
            window.close();
        }
    });
    closer.start();
    ASSERT_TRUE(ProcessUntil([&] { return window.UpdateSequence().End != TSequenceEnd::NotRun; }));
    EXPECT_EQ(window.UpdateSequence().End, TSequenceEnd::Abandoned);
    EXPECT_EQ(window.UpdateSequence().Worker(), nullptr);
    EXPECT_FALSE(window.isVisible());
    EXPECT_FALSE(window.SequenceRunning());
}
