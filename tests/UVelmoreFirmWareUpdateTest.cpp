#include "common/windows/MessageBox.h"
#include "configurator/ProjectPaths.h"
#include "configurator/windows/ConfiguratorWindows.h"
#include "configurator/windows/UBootSer.h"
#include "configurator/windows/UVelmoreFirmWare.h"
#include "tests/support/ParamSamples.h"
#include "tests/support/TempDir.h"

#include <QDialog>
#include <QEvent>
#include <QPushButton>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

namespace {

const std::string DefaultsFile = DefaultParamTree;

const std::string DefaultsImage(
    "\x04\0\0\0\x05\0\xC0\xA8\0\x0A\xFF\xFF\xFF\0\xC0\xA8\0\x14\x11\x27\0\0\0\0\xC0\xA8\0\x01\0", 29);

// Watches the wizard while it lives: counts its showings and closes it with Cancel at once.
class TWizardWatch : public QObject {
public:
    TWizardWatch() { FBootSer->installEventFilter(this); }
    ~TWizardWatch() override {
        if (FBootSer)
            FBootSer->removeEventFilter(this);
    }
    TWizardWatch(const TWizardWatch&) = delete;
    TWizardWatch& operator=(const TWizardWatch&) = delete;
    int Shown = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == FBootSer && event->type() == QEvent::Show) {
            ++Shown;
            QMetaObject::invokeMethod(
                FBootSer, [] { FBootSer->done(2); }, Qt::QueuedConnection);
        }
        return false;
    }
};

// Presses "Update Via Serial"; answers how often the wizard was shown meanwhile.
int UpdateViaSerial() {
    TWizardWatch watch;
    FVelmoreFirmWare->LbButton2->click();
    return watch.Shown;
}

class UpdateViaSerialCommand : public ::testing::Test {
protected:
    void SetUp() override { Windows = std::make_unique<TConfiguratorWindows>(Dir / "Velmora_RAZ2Idi"); }
    void TearDown() override { Windows.reset(); }

    TTempDir Dir;
    TMessageRecorder Messages;
    std::unique_ptr<TConfiguratorWindows> Windows;
};

} // namespace

TEST_F(UpdateViaSerialCommand, BuildsAndWritesTheImage) {
    ASSERT_EQ(ProjectDir, Dir / "PROJECTS");
    WriteFileBytes(Dir / "PROJECTS/pargen.xml", DefaultsFile);
    EXPECT_EQ(UpdateViaSerial(), 1);
    EXPECT_TRUE(Messages.Messages().empty());
    EXPECT_EQ(ReadFileBytes(Dir / "PROJECTS/bin/bank.bin"), DefaultsImage);
}

TEST_F(UpdateViaSerialCommand, CompileErrorEndsTheCommand) {
    std::filesystem::create_directory(Dir / "PROJECTS/bin");
    WriteFileBytes(Dir / "PROJECTS/bin/bank.bin", "earlier");
    std::string text = DefaultsFile;
    text.erase(text.find("<Port>10001</Port>"), 18);
    WriteFileBytes(Dir / "PROJECTS/Pargen.xml", text);
    EXPECT_EQ(UpdateViaSerial(), 0) << "the wizard opened";
    ASSERT_EQ(Messages.Messages().size(), 1u);
    EXPECT_EQ(Messages.Messages()[0].Text,
              "Cannot compile " + (Dir / "PROJECTS/Pargen.xml") + ": element Port is missing");
    EXPECT_EQ(Messages.Messages()[0].Icon, TMessageIcon::None);
    EXPECT_EQ(ReadFileBytes(Dir / "PROJECTS/bin/bank.bin"), "earlier");
}

TEST_F(UpdateViaSerialCommand, RefusedWriteEndsTheCommand) {
    WriteFileBytes(Dir / "PROJECTS/bin", "a file where the folder belongs");
    EXPECT_EQ(UpdateViaSerial(), 0) << "the wizard opened";
    EXPECT_EQ(Messages.Texts(),
              std::vector<std::string>{"Unable to write to " + (Dir / "PROJECTS/bin/bank.bin")});
}

TEST_F(UpdateViaSerialCommand, RefusesAProjectWhoseFolderWasFoundGone) {
    // Open project found the current folder gone: the image must not land below the root folder.
    ProjectDir.clear();
    SetProjectPaths();
    EXPECT_EQ(UpdateViaSerial(), 0);
    EXPECT_EQ(Messages.Texts(), std::vector<std::string>{"Project not valid"});
}
