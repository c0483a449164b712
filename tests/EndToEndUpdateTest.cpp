// The whole "Update Via Serial" road with no stand-ins: the configurator's windows in this process,
// the real updater program started by the wizard, and the converter simulator on a pseudo-terminal.

#include "common/windows/MessageBox.h"
#include "configurator/ProjectPaths.h"
#include "configurator/windows/ConfiguratorWindows.h"
#include "configurator/windows/UBootSer.h"
#include "configurator/windows/UVelmoreFirmWare.h"
#include "configurator/windows/Unewp.h"
#include "configurator/windows/Upargen.h"
#include "tools/simulator/Simulator.h"
#include "updater/Tarm_SER.h"

#include "tests/support/Await.h"
#include "tests/support/Bytes.h"
#include "tests/support/QtHelpers.h"
#include "tests/support/TempDir.h"
#include "tests/support/UpdateDevice.h"

#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <random>
#include <thread>

#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// The processes whose command line mentions marker.
std::vector<pid_t> ProcessesMentioning(const std::string& marker) {
    std::vector<pid_t> pids;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator("/proc", ec)) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos)
            continue;
        std::string cmdline;
        try {
            cmdline = ReadFileBytes(entry.path().string() + "/cmdline");
        } catch (const std::exception&) {
            continue;
        }
        if (cmdline.find(marker) != std::string::npos)
            pids.push_back(static_cast<pid_t>(std::stoi(name)));
    }
    return pids;
}

} // namespace

TEST(EndToEnd, UpdateViaSerialUpdatesTheSimulatedConverter) {
    TTempDir dir;
    const std::string exeFolder = dir / "Prog Folder";
    ASSERT_EQ(::mkdir(exeFolder.c_str(), 0777), 0);
    ASSERT_EQ(::mkdir((dir / "dev").c_str(), 0777), 0);
    ASSERT_EQ(
        ::symlink((ProgramDir() + "/Ser_50321_Update").c_str(), (exeFolder + "/Ser_50321_Update").c_str()),
        0);

    TSimulatorOptions options;
    options.Baud = 0;
    options.LinkPath = dir / "dev/ttyZE0";
    TSimulator simulator(options);
    simulator.Start();

    TMessageRecorder messages;
    TFBootSer::DeviceFolder = dir / "dev";
    TFBootSer::GiveUpMs = 120000;
    TConfiguratorWindows windows(exeFolder + "/Velmora_RAZ2Idi");

    // A firmware file of a few blocks and a half, in the MASTER folder.
    std::mt19937 random(50321);
    std::string firmware(5 * BlockSize + 57, '\0');
    for (auto& c : firmware)
        c = static_cast<char>(random());
    WriteFileBytes(MasterDir + "/vod50321.sim", firmware);

    // New project "Plant 1".
    WhenModalShows([](QWidget*) {
        Fsaveproj->Edit1->setText("Plant 1");
        Fsaveproj->bitbtn1->click();
    });
    FVelmoreFirmWare->New->click();
    ASSERT_EQ(ProjectDir, exeFolder + "/PROJECTS/Plant 1");

    // Set Communication: the converter's own address ends in 77, port 502.
    WhenModalShows([](QWidget*) {
        Fpargen->findChild<QLineEdit*>("E_ETH_IP4")->setText("77");
        Fpargen->findChild<QLineEdit*>("E_ETH_Port")->setText("502");
        Fpargen->findChild<QPushButton*>("bitbtn1")->click();
    });
    FVelmoreFirmWare->btn_Prm_Gen->click();
    ASSERT_EQ(FVelmoreFirmWare->Edit1->text(), "192.168.0.77");

    // The updater stays open showing its outcome: once the device holds both files and the last
    // read-back has been compared and deleted, close it as its user would.
    const std::string binFolder = ProjectDir + "/bin";
    const std::uint64_t expectedReads = (firmware.size() + BlockSize - 1) / BlockSize + 1;
    std::atomic<bool> finished{false};
    std::thread closer([&] {
        finished = Await(
            [&] {
                return simulator.ReadCommands() >= expectedReads &&
                       FilesEndingWith(binFolder, ".b79").empty() &&
                       FilesEndingWith(MasterDir, ".b79").empty();
            },
            std::chrono::seconds(90), std::chrono::milliseconds(20));
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        for (pid_t pid : ProcessesMentioning(MasterDir + "/vod50321.sim"))
            if (pid != ::getpid())
                ::kill(pid, SIGTERM);
    });

    // Update Via Serial: image, wizard, Connect, Next, Execute.
    WhenModalShows([](QWidget*) {
        FBootSer->LbButton1->click();
        FBootSer->LbButton2->click();
        FBootSer->LbButton4->click();
        FBootSer->done(2);
    });
    FVelmoreFirmWare->LbButton2->click();
    closer.join();
    TFBootSer::DeviceFolder = "/dev";

    EXPECT_TRUE(finished) << "the update did not complete within its time";
    EXPECT_TRUE(messages.Messages().empty());

    const std::string image = ReadFileBytes(binFolder + "/bank.bin");
    ASSERT_EQ(image.size(), 29u);
    EXPECT_EQ(image.substr(6, 4), std::string("\xC0\xA8\x00\x4D", 4));
    EXPECT_EQ(image.substr(18, 2), std::string("\xF6\x01", 2));

    const std::size_t padded = 6 * BlockSize;
    std::string firmwareBlocks = firmware + std::string(padded - firmware.size(), '\0');
    EXPECT_EQ(simulator.ReadMemory(FirmwareRegionFirst, padded), Bytes(firmwareBlocks));
    EXPECT_EQ(simulator.ReadMemory(FirmwareRegionFirst + padded, BlockSize),
              std::vector<std::uint8_t>(BlockSize, 0xFF));
    EXPECT_EQ(simulator.ReadMemory(ConfigRegionFirst, BlockSize),
              Bytes(image + std::string(BlockSize - 29, '\0')));
    EXPECT_EQ(FilesEndingWith(binFolder, ".b79"), std::vector<std::string>{});
    EXPECT_EQ(FilesEndingWith(MasterDir, ".b79"), std::vector<std::string>{});
}
