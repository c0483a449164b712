#include "tests/support/Await.h"
#include "tests/support/Bytes.h"
#include "tests/support/JsonFlat.h"
#include "tests/support/Process.h"
#include "tests/support/TempDir.h"
#include "tests/support/UpdateDevice.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;

struct TFiles {
    explicit TFiles(const TTempDir& dir)
        : Firmware(dir / "vod50321.sim"), Bin(dir / "bin/"), FirmwareBytes(Pattern(900, 1)),
          ImageBytes(Pattern(29, 2)) {
        ::mkdir((dir / "bin").c_str(), 0755);
        WriteFileBytes(Firmware, FirmwareBytes);
        WriteFileBytes(Bin + "bank.bin", ImageBytes);
    }
    std::string Firmware, Bin, FirmwareBytes, ImageBytes;
};

constexpr std::size_t ConfigOffset = 0x24000 - 0x4000;

} // namespace

TEST(CmdUpdate, UpdatesFirmwareAndProjectWithReadBack) {
    TTempDir dir;
    TFiles files(dir);
    TSimulateProcess simulator(dir);
    const std::string device = simulator.DevicePath();
    ASSERT_FALSE(device.empty());
    TProcess update({Tool(), "update", device, "FW", "FR", "PW", "PR", files.Firmware, files.Bin, "--label",
                     "SN-7", "--records", dir / "records.jsonl"},
                    dir / "update.out");
    ASSERT_TRUE(update.Started());
    EXPECT_EQ(update.Wait(), 0) << update.Text();
    const std::string out = update.Text();
    auto record = TJsonFlat::Parse(ReadFileBytes(dir / "records.jsonl"));
    const std::map<std::string, std::string> expected = {
        {"program", "\"ze50321 update\""},
        {"port", "\"" + device + "\""},
        {"label", "\"SN-7\""},
        {"adapter.vendor_id", "\"\""},
        {"firmware.name", "\"vod50321.sim\""},
        {"firmware.size", "900"},
        {"firmware.sha256", "\"930725885110c25004cabc9a6c37884638ac1997e1ef4fac254305c3dfb98657\""},
        {"image.hex", "\"2241607f9ebddcfb1a39587796b5d4f31231506f8eadcceb0a29486786\""},
        {"image.parameters", "null"},
        {"options[3]", "\"PR\""},
        {"lines.init", "\"OK\""},
        {"lines.project", "\"OK\""},
        {"transfers[1].direction", "\"read\""},
        {"blocks", "18"},
        {"retries", "0"},
        {"exit_code", "0"}};
    for (const auto& [path, value] : expected)
        EXPECT_EQ(record[path], value) << path;
    for (const char* line :
         {"INIT :     OK\n", "FIRMWARE : Write in Progress...\n", "FIRMWARE : Read in Progress...\n",
          "FIRMWARE : OK\n", "PROJECT :  Write in Progress...\n", "PROJECT :  OK\n",
          "[########################################] 100%\n", "Summary:\n",
          "  firmware write  : 8 blocks, 0 retries, 1024 bytes in ",
          "  project read    : 1 blocks, 0 retries, 128 bytes in "})
        EXPECT_NE(out.find(line), std::string::npos) << line << "\n" << out;
    EXPECT_NE(out.find("% of 115200 bit/s"), std::string::npos) << out;

    const std::string memory = simulator.StopAndReadMemory();
    ASSERT_EQ(memory.size(), 0x24000u);
    EXPECT_EQ(memory.substr(0, 900), files.FirmwareBytes);
    EXPECT_EQ(memory.substr(ConfigOffset, 29), files.ImageBytes);
    EXPECT_EQ(FilesEndingWith(dir.Path(), ".b79"), std::vector<std::string>{});
    EXPECT_EQ(FilesEndingWith(dir / "bin", ".b79"), std::vector<std::string>{});
    EXPECT_EQ(ReadFileBytes(files.Bin + "bank.bin"), files.ImageBytes);
}

TEST(CmdUpdate, ExitCodesOfFailures) {
    const struct {
        const char* Name;
        std::vector<std::string> Faults;
        std::vector<std::string> Words; // positions 2 to 5
        bool RemoveFirmware, RemoveImage, NoDevice;
        int Code;
        const char* Line;
    } cases[] = {
        {"device not found",
         {},
         {"FW", "FR", "PW", "PR"},
         false,
         false,
         true,
         1,
         "INIT :     Device Not Found\n"},
        {"firmware missing",
         {},
         {"FW", "FR", "PW", "PR"},
         true,
         false,
         false,
         2,
         "FIRMWARE : File Firmware not found\n"},
        {"firmware corrupted",
         {"--corrupt-every", "1"},
         {"FW", "FR", "PW", "PR"},
         false,
         false,
         false,
         2,
         "FIRMWARE : Error After Read\n"},
        {"image missing",
         {},
         {"FW", "NO", "PW", "NO"},
         false,
         true,
         false,
         3,
         "PROJECT :  File Project not found\n"},
        {"nothing to do",
         {},
         {"NO", "FR", "NO", "PR"},
         false,
         false,
         false,
         4,
         "Error!!! No update must do into device.\n"},
    };
    for (const auto& c : cases) {
        TTempDir dir;
        TFiles files(dir);
        if (c.RemoveFirmware)
            ::unlink(files.Firmware.c_str());
        if (c.RemoveImage)
            ::unlink((files.Bin + "bank.bin").c_str());
        TSimulateProcess simulator(dir, c.Faults);
        const std::string device = c.NoDevice ? dir / "no-such-device" : simulator.DevicePath();
        TProcess update({Tool(), "update", device, c.Words[0], c.Words[1], c.Words[2], c.Words[3],
                         files.Firmware, files.Bin},
                        dir / "update.out");
        EXPECT_EQ(update.Wait(), c.Code) << c.Name << "\n" << update.Text();
        EXPECT_NE(update.Text().find(c.Line), std::string::npos) << c.Name << "\n" << update.Text();
        if (c.NoDevice) { // the port doctor says why
            EXPECT_NE(update.Text().find(device + "\n  exists:    no\n"), std::string::npos) << update.Text();
        }
    }
}

TEST(CmdUpdate, CommandLinesItCannotUse) {
    TTempDir dir;
    const struct {
        std::vector<std::string> Args;
        int Code;
        const char* Text;
    } cases[] = {
        {{}, 4, "Usage: ze50321 update"},
        {{"--bogus", "/dev/null", "FW"}, 4, "unknown option '--bogus'"},
        {{"--help"}, 0, "130  interrupted by Ctrl-C"},
        {{"--give-up", "soon", "/dev/null", "FW"}, 4, "--give-up needs a number of seconds from 0 to 86400"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = {Tool(), "update"};
        args.insert(args.end(), c.Args.begin(), c.Args.end());
        TProcess update(args, dir / "update.out");
        EXPECT_EQ(update.Wait(), c.Code) << update.Text();
        EXPECT_NE(update.Text().find(c.Text), std::string::npos) << update.Text();
    }
}

TEST(CmdUpdate, TraceShowsEveryFrame) {
    TTempDir dir;
    TFiles files(dir);
    WriteFileBytes(files.Firmware, std::string(128, '\0'));
    TSimulateProcess simulator(dir);
    const std::string device = simulator.DevicePath();
    ASSERT_FALSE(device.empty());
    TProcess update({Tool(), "update", "--trace", device, "FW", "NO", "NO", "NO", files.Firmware, files.Bin},
                    dir / "update.out");
    EXPECT_EQ(update.Wait(), 0) << update.Text();
    const std::string frame = "> 00004000020080" + std::string(256, '0') + "00\\r\n";
    EXPECT_NE(update.Text().find(frame), std::string::npos) << update.Text();
    EXPECT_NE(update.Text().find("< 00 O.K.\\r\n"), std::string::npos) << update.Text();
}

TEST(CmdUpdate, ShowsEachResendAndGivesUpAConverterThatFellSilent) {
    TTempDir dir;
    TFiles files(dir);
    // Write frames 3 and 6 are refused; after the 7th frame the converter says nothing more.
    TSimulateProcess simulator(dir, {"--refuse-every", "3", "--silent-after", "7"});
    const std::string device = simulator.DevicePath();
    ASSERT_FALSE(device.empty());
    TProcess update(
        {Tool(), "update", "--give-up", "1", device, "FW", "FR", "PW", "PR", files.Firmware, files.Bin},
        dir / "update.out");
    EXPECT_EQ(update.Wait(), 2) << update.Text();
    const std::string text = update.Text();
    for (const char* expected : {"write of 0x004100 not acknowledged, sent again (retry 1)\n",
                                 "write of 0x004200 not acknowledged, sent again (retry 2)\n",
                                 "FIRMWARE : Error\n", "firmware write  : 5 blocks, 2 retries, 640 bytes in ",
                                 ", given up: no block written or read for 1 s\n"})
        EXPECT_NE(text.find(expected), std::string::npos) << expected << "\n" << text;
    EXPECT_EQ(text.find("Read in Progress"), std::string::npos) << text;
    EXPECT_EQ(text.find("PROJECT :  Write"), std::string::npos) << text;
}

TEST(CmdUpdate, CloseSignalsGiveUpAndLeaveNoReadBackFile) {
    const struct {
        bool Window; // the updater's window instead of ze50321 update
        int Signal;
        int Code;
    } cases[] = {{false, SIGINT, 130},
                 {false, SIGTERM, 143},
                 {false, SIGHUP, 129},
                 {true, SIGTERM, 0},
                 {true, SIGHUP, 0}};
    for (const auto& c : cases) {
        TTempDir dir;
        TFiles files(dir);
        // The firmware's 8 blocks are written, then the read-back stops after its second block.
        TSimulateProcess simulator(dir, {"--silent-after", "10"});
        const std::string device = simulator.DevicePath();
        ASSERT_FALSE(device.empty());
        std::vector<std::string> args = {device, "FW", "FR", "PW", "PR", files.Firmware, files.Bin};
        args.insert(args.begin(), c.Window ? ProgramDir() + "/Ser_50321_Update" : Tool());
        if (!c.Window)
            args.insert(args.begin() + 1, {"update", "--give-up", "0"});
        TProcess update(args, dir / "update.out");
        const auto readBackExists = [&] { return !FilesEndingWith(dir.Path(), ".b79").empty(); };
        ASSERT_TRUE(Await(readBackExists, 30s, 5ms)) << update.Text();
        update.Signal(c.Signal);
        EXPECT_EQ(update.Wait(), c.Code) << c.Signal << "\n" << update.Text();
        EXPECT_FALSE(readBackExists()) << c.Signal;
    }
}

TEST(CmdUpdate, AStopDuringABlockIsNoRetry) {
    TTempDir dir;
    TFiles files(dir);
    // Three blocks are acknowledged; the fourth waits for an acknowledge that does not come.
    TSimulateProcess simulator(dir, {"--silent-after", "3", "--trace"});
    const std::string device = simulator.DevicePath();
    ASSERT_FALSE(device.empty());
    TProcess update({Tool(), "update", device, "FW", "NO", "NO", "NO", files.Firmware, files.Bin},
                    dir / "update.out");
    ASSERT_TRUE(simulator.AwaitTrace("no answer to write 0x004180: silent after 3 frames"))
        << simulator.Trace();
    update.Signal(SIGTERM);
    EXPECT_EQ(update.Wait(), 143) << update.Text();
    EXPECT_EQ(update.Text().find("sent again"), std::string::npos) << update.Text();
}

namespace {

// True once the process catches signal (its handler is installed), from /proc/PID/status.
bool Catches(pid_t pid, int signal) {
    const std::string status = ReadFileBytes("/proc/" + std::to_string(pid) + "/status");
    const auto at = status.find("SigCgt:");
    return at != std::string::npos &&
           (std::stoull(status.substr(at + 7), nullptr, 16) >> (signal - 1) & 1) != 0;
}

} // namespace

TEST(CmdUpdate, CloseSignalsEndTheUpdaterWhileItsNothingToDoBoxIsUp) {
    for (const int signal : {SIGTERM, SIGHUP, SIGINT}) {
        TTempDir dir;
        TProcess updater({ProgramDir() + "/Ser_50321_Update", "COM3"}, dir / "updater.out");
        ASSERT_TRUE(Await([&] { return Catches(updater.ProcessId(), signal); }, 30s, 5ms));
        updater.Signal(signal);
        EXPECT_EQ(updater.Wait(10s), 0) << signal << "\n" << updater.Text();
    }
}

TEST(CmdUpdate, FourConvertersAtOnceEachGetsItsOwnFirmware) {
    constexpr int Count = 4;
    TTempDir dir;
    std::vector<std::unique_ptr<TSimulateProcess>> simulators;
    std::vector<std::unique_ptr<TProcess>> updates;
    std::vector<std::string> firmware;
    for (int i = 0; i < Count; ++i) {
        const std::string folder = dir / ("c" + std::to_string(i));
        ::mkdir(folder.c_str(), 0755);
        ::mkdir((folder + "/bin").c_str(), 0755);
        firmware.push_back(Pattern(1000 + 130 * static_cast<std::size_t>(i), 10 + i));
        WriteFileBytes(folder + "/fw.sim", firmware.back());
        WriteFileBytes(folder + "/bin/bank.bin", Pattern(29, 50 + i));
        simulators.push_back(std::make_unique<TSimulateProcess>(folder));
    }
    for (int i = 0; i < Count; ++i) {
        const std::string folder = dir / ("c" + std::to_string(i));
        const std::string device = simulators[static_cast<std::size_t>(i)]->DevicePath();
        ASSERT_FALSE(device.empty());
        updates.push_back(
            std::make_unique<TProcess>(std::vector<std::string>{Tool(), "update", device, "FW", "FR", "PW",
                                                                "PR", folder + "/fw.sim", folder + "/bin/"},
                                       folder + "/update.out"));
    }
    for (int i = 0; i < Count; ++i) {
        const auto k = static_cast<std::size_t>(i);
        EXPECT_EQ(updates[k]->Wait(), 0) << updates[k]->Text();
        EXPECT_NE(updates[k]->Text().find("FIRMWARE : OK\n"), std::string::npos) << updates[k]->Text();
        EXPECT_NE(updates[k]->Text().find("PROJECT :  OK\n"), std::string::npos) << updates[k]->Text();
    }
    // Each converter's memory holds its own firmware and image, nothing of another's.
    for (int i = 0; i < Count; ++i) {
        const std::string memory = simulators[static_cast<std::size_t>(i)]->StopAndReadMemory();
        ASSERT_EQ(memory.size(), 0x24000u);
        const std::size_t length = firmware[static_cast<std::size_t>(i)].size();
        EXPECT_EQ(memory.substr(0, length), firmware[static_cast<std::size_t>(i)]) << "converter " << i;
        EXPECT_EQ(memory.substr(ConfigOffset, 29), Pattern(29, 50 + i)) << "converter " << i;
    }
}
