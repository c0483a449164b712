#include "configurator/windows/UBootSer.h"
#include "common/UniqueFd.h"
#include "common/windows/MessageBox.h"
#include "configurator/ProjectPaths.h"
#include "configurator/windows/ConfiguratorWindows.h"
#include "configurator/windows/UVelmoreFirmWare.h"
#include "serial/ComPortProbe.h"

#include "tests/support/PseudoTerminalPairPosix.h"
#include "tests/support/QtHelpers.h"
#include "tests/support/TempDir.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <memory>
#include <sstream>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A pseudo-terminal whose slave side is linked into a device folder as name.
struct TVirtualPort : TPseudoTerminalPair {
    TVirtualPort(const std::string& folder, const std::string& name) {
        if (::symlink(SlavePath.c_str(), (folder + "/" + name).c_str()) != 0)
            throw std::runtime_error("cannot link the pseudo-terminal");
    }
};

// This test program as the port doctor names it.
std::string Holder() {
    return ReadFileBytes("/proc/self/comm").substr(0, ReadFileBytes("/proc/self/comm").find('\n')) +
           " (pid " + std::to_string(::getpid()) + ")";
}

class Wizard : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(::mkdir((Dir / "dev").c_str(), 0777), 0);
        ASSERT_EQ(::mkdir((Dir / "Prog Folder").c_str(), 0777), 0);
        ExeFolder = Dir / "Prog Folder";
        TFBootSer::DeviceFolder = Dir / "dev";
        TFBootSer::UserPortFolder = Dir / "ports";
        TFBootSer::GiveUpMs = 20000;
        Windows = std::make_unique<TConfiguratorWindows>(ExeFolder + "/Velmora_RAZ2Idi");
        ASSERT_EQ(::mkdir((ProjectsDir + "/Plant 1").c_str(), 0777), 0);
        ProjectName = "/Plant 1";
        ProjectDir = ProjectsDir + ProjectName;
        SetProjectPaths();
    }
    void TearDown() override {
        Windows.reset();
        TFBootSer::DeviceFolder = "/dev";
        TFBootSer::UserPortFolder = ::UserPortFolder();
    }

    // A stand-in updater that records the arguments it received, one a line, after sleeping.
    void InstallStandIn(int sleepSeconds = 0) {
        const std::string path = ExeFolder + "/Ser_50321_Update";
        std::ostringstream script;
        script << "#!/bin/sh\n";
        if (sleepSeconds)
            script << "sleep " << sleepSeconds << "\n";
        script << "for a in \"$@\"; do printf '%s\\n' \"$a\"; done >> \"" << ArgsFile() << "\"\n"
               << "echo --- >> \"" << ArgsFile() << "\"\n";
        WriteFileBytes(path, script.str());
        ASSERT_EQ(::chmod(path.c_str(), 0755), 0);
    }
    std::string ArgsFile() const { return Dir / "args.txt"; }

    // Shows the wizard, runs the steps inside it, and closes it.
    void InWizard(std::function<void()> steps) {
        WhenModalShows([steps](QWidget*) {
            steps();
            FBootSer->done(2);
        });
        FBootSer->exec();
    }

    TTempDir Dir;
    std::string ExeFolder;
    TMessageRecorder Messages;
    std::unique_ptr<TConfiguratorWindows> Windows;
};

} // namespace

TEST_F(Wizard, ExecutePassesTheSevenArgumentsExactly) {
    TVirtualPort port(Dir / "dev", "ttyZE3");
    InstallStandIn();
    std::string parameters;
    InWizard([&] {
        EXPECT_EQ(FBootSer->CB_Com->currentText().toStdString(), "ttyZE3");
        FBootSer->LbButton1->click();
        FBootSer->LbButton2->click();
        EXPECT_TRUE(FBootSer->Panel1->isVisible());
        EXPECT_FALSE(FBootSer->Label1->isVisible());
        FBootSer->CB_RProj->setChecked(false);
        parameters = FBootSer->UpdaterParameters();
        FBootSer->LbButton4->click();
    });
    EXPECT_TRUE(Messages.Messages().empty());
    const std::string dev = Dir / "dev/ttyZE3";
    EXPECT_EQ(parameters, dev + " FW FR PW NO \"" + ExeFolder + "/MASTER/vod50321.sim\" \"" + ExeFolder +
                              "/PROJECTS/Plant 1/bin/\"");
    EXPECT_EQ(ReadFileBytes(ArgsFile()), dev + "\nFW\nFR\nPW\nNO\n" + ExeFolder + "/MASTER/vod50321.sim\n" +
                                             ExeFolder + "/PROJECTS/Plant 1/bin/\n---\n");
}

TEST_F(Wizard, APortInTheUserPortFolderIsListedAndUsedByItsFullPath) {
    ASSERT_EQ(::mkdir((Dir / "ports").c_str(), 0700), 0);
    TVirtualPort devPort(Dir / "dev", "ttyUSB0");
    TVirtualPort userPort(Dir / "ports", "ttyZE50321");
    InstallStandIn();
    const std::string linked = Dir / "ports/ttyZE50321";
    InWizard([&] {
        ASSERT_EQ(FBootSer->CB_Com->count(), 2);
        EXPECT_EQ(FBootSer->CB_Com->itemText(0).toStdString(), "ttyUSB0");
        EXPECT_EQ(FBootSer->CB_Com->itemText(1).toStdString(), linked);
        FBootSer->CB_Com->setCurrentIndex(1);
        FBootSer->LbButton1->click();
        FBootSer->LbButton2->click();
        FBootSer->LbButton4->click();
    });
    EXPECT_TRUE(Messages.Messages().empty());
    EXPECT_EQ(ReadFileBytes(ArgsFile()), linked + "\nFW\nFR\nPW\nPR\n" + ExeFolder +
                                             "/MASTER/vod50321.sim\n" + ExeFolder +
                                             "/PROJECTS/Plant 1/bin/\n---\n");
}

TEST_F(Wizard, AllOptionsClearAndExecuteTwice) {
    TVirtualPort port(Dir / "dev", "ttyZE0");
    InstallStandIn();
    InWizard([&] {
        FBootSer->LbButton1->click();
        FBootSer->LbButton2->click();
        for (QCheckBox* box : {FBootSer->CB_Firm, FBootSer->CB_RFirm, FBootSer->CB_Proj, FBootSer->CB_RProj})
            box->setChecked(false);
        FBootSer->LbButton4->click();
        FBootSer->CB_RFirm->setChecked(true);
        FBootSer->LbButton4->click();
        EXPECT_TRUE(FBootSer->Panel1->isVisible());
    });
    const std::string tail =
        ExeFolder + "/MASTER/vod50321.sim\n" + ExeFolder + "/PROJECTS/Plant 1/bin/\n---\n";
    const std::string dev = Dir / "dev/ttyZE0";
    EXPECT_EQ(ReadFileBytes(ArgsFile()),
              dev + "\nNO\nNO\nNO\nNO\n" + tail + dev + "\nNO\nFR\nNO\nNO\n" + tail);
}

TEST_F(Wizard, NextBeforeConnectAndAfterAFailedConnect) {
    InWizard([&] {
        EXPECT_EQ(FBootSer->CB_Com->count(), 0);
        FBootSer->LbButton2->click();
        FBootSer->LbButton1->click(); // no port at all: the bare device folder fails to open
        FBootSer->LbButton2->click();
        EXPECT_FALSE(FBootSer->Panel1->isVisible());
    });
    ASSERT_EQ(Messages.Messages().size(), 3u);
    EXPECT_EQ(Messages.Messages()[0].Text, "Select one port.");
    EXPECT_EQ(Messages.Messages()[0].Icon, TMessageIcon::Error);
    EXPECT_EQ(Messages.Messages()[1].Text, "Error!! Com Port cannot be open.");
    EXPECT_EQ(Messages.Messages()[1].Icon, TMessageIcon::Error);
    EXPECT_EQ(Messages.Messages()[2].Text, "Select one port.");
}

TEST_F(Wizard, HeldPortIsListedButRefused) {
    TVirtualPort port(Dir / "dev", "ttyZE1");
    TComm holder;
    holder.SetDeviceName(port.SlavePath);
    holder.Open();
    // The list opens each port once, to see that it is there; nothing else opens it until Connect.
    const TUniqueFd watch(inotify_init1(IN_NONBLOCK | IN_CLOEXEC));
    ASSERT_GE(watch.Get(), 0);
    ASSERT_GE(inotify_add_watch(watch.Get(), port.SlavePath.c_str(), IN_OPEN), 0);
    const auto opensSeen = [&watch] {
        int opens = 0;
        alignas(inotify_event) char buffer[4096];
        for (ssize_t n; (n = read(watch.Get(), buffer, sizeof buffer)) > 0;)
            for (char* p = buffer; p < buffer + n;
                 p += sizeof(inotify_event) + reinterpret_cast<inotify_event*>(p)->len)
                ++opens;
        return opens;
    };
    InWizard([&] {
        EXPECT_EQ(FBootSer->CB_Com->currentText().toStdString(), "ttyZE1");
        EXPECT_EQ(opensSeen(), 1);
        EXPECT_TRUE(FBootSer->CB_Com->itemData(0, Qt::ToolTipRole).toString().isEmpty());
        FBootSer->LbButton1->click();
        EXPECT_FALSE(FBootSer->Connected);
    });
    EXPECT_EQ(Messages.Texts(), std::vector<std::string>{"Error!! Com Port cannot be open."});
    EXPECT_NE(Messages.Messages()[0].Detail.find("  opens:     no, held by " + Holder() + "\n"),
              std::string::npos)
        << Messages.Messages()[0].Detail;
}

TEST_F(Wizard, ConnectHoldsThePortUntilNext) {
    TVirtualPort port(Dir / "dev", "ttyZE2");
    InWizard([&] {
        FBootSer->LbButton1->click();
        ASSERT_TRUE(FBootSer->Connected);
        TComm other;
        other.SetDeviceName(port.SlavePath);
        EXPECT_THROW(other.Open(), ECommError);
        FBootSer->LbButton2->click();
        EXPECT_FALSE(FBootSer->Comm1.IsOpen());
        EXPECT_NO_THROW(other.Open());
    });
    EXPECT_TRUE(Messages.Messages().empty());
}

TEST_F(Wizard, SecondShowingStartsAgainButKeepsTheOptions) {
    TVirtualPort first(Dir / "dev", "ttyZE4");
    InWizard([&] {
        FBootSer->LbButton1->click();
        FBootSer->LbButton2->click();
        FBootSer->CB_Firm->setChecked(false);
        FBootSer->CB_RProj->setChecked(false);
    });
    EXPECT_FALSE(FBootSer->Comm1.IsOpen());
    TVirtualPort second(Dir / "dev", "ttyZE10");
    InWizard([&] {
        EXPECT_FALSE(FBootSer->Panel1->isVisible());
        EXPECT_TRUE(FBootSer->Label1->isVisible());
        EXPECT_FALSE(FBootSer->Connected);
        for (QWidget* w : std::initializer_list<QWidget*>{FBootSer->CB_Com, FBootSer->LbButton1,
                                                          FBootSer->LbButton2, FBootSer->LbButton3})
            EXPECT_TRUE(w->isEnabled()) << w->objectName().toStdString();
        EXPECT_EQ(FBootSer->Label1->text(), "Follow these steps to update the ZE50321 from RS232:");
        ASSERT_EQ(FBootSer->CB_Com->count(), 2);
        EXPECT_EQ(FBootSer->CB_Com->itemText(0), "ttyZE4");
        EXPECT_EQ(FBootSer->CB_Com->itemText(1), "ttyZE10");
        EXPECT_FALSE(FBootSer->CB_Firm->isChecked());
        EXPECT_TRUE(FBootSer->CB_RFirm->isChecked());
        EXPECT_TRUE(FBootSer->CB_Proj->isChecked());
        EXPECT_FALSE(FBootSer->CB_RProj->isChecked());
    });
}

TEST_F(Wizard, StandInOutlivingTheGiveUpTimeIsLeftRunning) {
    TVirtualPort port(Dir / "dev", "ttyZE5");
    InstallStandIn(3);
    TFBootSer::GiveUpMs = 300;
    std::chrono::steady_clock::duration took{};
    InWizard([&] {
        FBootSer->LbButton1->click();
        FBootSer->LbButton2->click();
        const auto t0 = std::chrono::steady_clock::now();
        FBootSer->LbButton4->click();
        took = std::chrono::steady_clock::now() - t0;
    });
    EXPECT_GE(took, std::chrono::milliseconds(300));
    EXPECT_FALSE(PathExists(ArgsFile())) << "the wait did not give up before the stand-in ended";
    EXPECT_TRUE(Messages.Messages().empty());
}

TEST_F(Wizard, MissingUpdaterIsReportedWithTheReason) {
    TVirtualPort port(Dir / "dev", "ttyZE6");
    InWizard([&] {
        FBootSer->LbButton1->click();
        FBootSer->LbButton2->click();
        FBootSer->LbButton4->click();
    });
    ASSERT_EQ(Messages.Messages().size(), 1u);
    EXPECT_EQ(Messages.Messages()[0].Text,
              "Cannot start " + ExeFolder + "/Ser_50321_Update: No such file or directory");
}

TEST_F(Wizard, CoveredFirstPageIsOutOfKeyboardReach) {
    TVirtualPort port(Dir / "dev", "ttyZE7");
    InWizard([&] {
        FBootSer->LbButton1->setFocus();
        KeyClick(FBootSer->LbButton1, Qt::Key_Space, " "); // Connect
        KeyClick(FBootSer->LbButton1, Qt::Key_Tab);
        ASSERT_EQ(FBootSer->focusWidget(), FBootSer->LbButton3);
        KeyClick(FBootSer->LbButton3, Qt::Key_Tab);
        ASSERT_EQ(FBootSer->focusWidget(), FBootSer->LbButton2);
        KeyClick(FBootSer->LbButton2, Qt::Key_Space, " "); // Next
        ASSERT_TRUE(FBootSer->Panel1->isVisible());
        // Twice round the whole chain, backwards and forwards, pressing Space on nothing but options.
        for (const Qt::Key key : {Qt::Key_Backtab, Qt::Key_Tab}) {
            for (int i = 0; i < 14; ++i) {
                QWidget* focus = FBootSer->focusWidget();
                ASSERT_TRUE(focus && FBootSer->Panel1->isAncestorOf(focus))
                    << (focus ? focus->objectName().toStdString() : "no focus") << " has the focus";
                KeyClick(focus, key);
            }
        }
        // Return goes to the options page's own default, Execute, never to a covered Connect.
        EXPECT_TRUE(FBootSer->LbButton4->isDefault());
        EXPECT_FALSE(FBootSer->LbButton1->isDefault());
        EXPECT_FALSE(FBootSer->Comm1.IsOpen());
        EXPECT_TRUE(FBootSer->isVisible());
    });
    EXPECT_TRUE(Messages.Messages().empty());
}

TEST_F(Wizard, RestoringTheMinimisedWizardStaysOnItsPage) {
    TVirtualPort port(Dir / "dev", "ttyZE8");
    InWizard([&] {
        FBootSer->LbButton1->click();
        FBootSer->LbButton2->click();
        FBootSer->setWindowState(Qt::WindowMinimized);
        FBootSer->setWindowState(Qt::WindowNoState);
        EXPECT_TRUE(FBootSer->Panel1->isVisible());
        EXPECT_FALSE(FBootSer->Label1->isVisible());
        EXPECT_FALSE(FBootSer->LbButton1->isEnabled());
        EXPECT_FALSE(FBootSer->Comm1.IsOpen());
    });
}

TEST_F(Wizard, PathWithADoubleQuoteStartsNothing) {
    TVirtualPort port(Dir / "dev", "ttyZE9");
    InstallStandIn();
    const std::string quoted = Dir / "say \"hi\"";
    ASSERT_EQ(::mkdir(quoted.c_str(), 0777), 0);
    const struct {
        std::string* Value;
        std::string Named;
    } cases[] = {
        {&ExeDir, quoted},
        {&MasterDir, quoted + "/vod50321.sim"},
        {&ProjectDir, quoted + "/bin/"},
    };
    for (const auto& c : cases) {
        const std::string kept = *c.Value;
        *c.Value = quoted;
        InWizard([&] {
            FBootSer->LbButton1->click();
            FBootSer->LbButton2->click();
            FBootSer->LbButton4->click();
        });
        *c.Value = kept;
        EXPECT_EQ(Messages.Texts(), std::vector<std::string>{"Cannot start the updater: the path " + c.Named +
                                                             " contains a double quote."});
        Messages.Clear();
    }
    EXPECT_FALSE(PathExists(ArgsFile()));
}

TEST_F(Wizard, ControlsCarryTheirTexts) {
    const std::pair<QLabel*, const char*> labels[] = {
        {FBootSer->Label2, "1 - Turn OFF the Device"},
        {FBootSer->Label3, "2 - Insert the Boot Jumper (see the manual)"},
        {FBootSer->Label4, "3 - Select the  COM port and press the connect button"},
        {FBootSer->Label5, "4 - Turn ON the Device"},
        {FBootSer->Label6, "5 - Check the BOOT led. It must blink quickly"},
        {FBootSer->Label7, "Update Device Options"},
    };
    for (const auto& [label, text] : labels)
        EXPECT_EQ(label->text().toStdString(), text);
    EXPECT_EQ(FBootSer->windowTitle(), "Update Firmware from Serial (RS232)");
    EXPECT_EQ(FBootSer->LbButton5->toolTip(), "Update COM Port List");
    EXPECT_EQ(FBootSer->LbButton4->text(), "Execute update firmware");
    EXPECT_EQ(FBootSer->CB_RFirm->text(), "Read Firmware when finish");
    EXPECT_EQ(FBootSer->CB_RProj->text(), "Read Project when finish");
}
