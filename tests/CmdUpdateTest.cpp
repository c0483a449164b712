#include "tests/support/TempDir.h"
#include "tests/support/UpdateDevice.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <string>
#include <thread>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

using namespace std::chrono_literals;

// A program run with its output in a file; killed and reaped if still running at the end.
class TProcess {
public:
    TProcess(const std::vector<std::string>& args, const std::string& outputFile) : Output(outputFile) {
        std::vector<char*> argv;
        for (const auto& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outputFile.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
        const int rc = posix_spawn(&Pid, argv[0], &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        if (rc != 0)
            Pid = -1;
    }
    ~TProcess() {
        if (Pid > 0 && !Ended) {
            kill(Pid, SIGKILL);
            waitpid(Pid, nullptr, 0);
        }
    }
    TProcess(const TProcess&) = delete;
    TProcess& operator=(const TProcess&) = delete;

    bool Started() const { return Pid > 0; }
    void Signal(int signal) const { kill(Pid, signal); }
    // The exit code, or -1 when the program has not ended within the bound (or died by a signal).
    int Wait(std::chrono::seconds bound = 60s) {
        const auto deadline = std::chrono::steady_clock::now() + bound;
        while (!Ended) {
            int status = 0;
            const pid_t r = waitpid(Pid, &status, WNOHANG);
            if (r == Pid) {
                Ended = true;
                Code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            } else if (std::chrono::steady_clock::now() > deadline) {
                return -1;
            } else {
                std::this_thread::sleep_for(5ms);
            }
        }
        return Code;
    }
    std::string Text() const { return PathExists(Output) ? ReadFileBytes(Output) : std::string(); }
    // Waits until the output holds `what`, at most `bound`.
    bool AwaitOutput(const std::string& what, std::chrono::seconds bound = 30s) const {
        const auto deadline = std::chrono::steady_clock::now() + bound;
        while (Text().find(what) == std::string::npos) {
            if (std::chrono::steady_clock::now() > deadline)
                return false;
            std::this_thread::sleep_for(5ms);
        }
        return true;
    }

private:
    std::string Output;
    pid_t Pid = -1;
    bool Ended = false;
    int Code = -1;
};

std::string Tool() {
    return ProgramDir() + "/ze50321";
}

// `ze50321 simulate` on its own pseudo-terminal, its memory saved to a file when it is stopped.
class TSimulateProcess {
public:
    TSimulateProcess(const TTempDir& dir, std::vector<std::string> faults = {})
        : MemoryFile(dir / "memory.img"), Process(Arguments(std::move(faults)), dir / "simulate.out") {}

    std::string DevicePath() {
        if (!Process.AwaitOutput("\n"))
            return std::string();
        const std::string text = Process.Text();
        return text.substr(0, text.find('\n'));
    }
    // Stops the simulator and answers its memory from 0x4000 on.
    std::string StopAndReadMemory() {
        Process.Signal(SIGTERM);
        EXPECT_EQ(Process.Wait(), 0) << Process.Text();
        return PathExists(MemoryFile) ? ReadFileBytes(MemoryFile) : std::string();
    }

private:
    std::vector<std::string> Arguments(std::vector<std::string> faults) const {
        std::vector<std::string> args = {Tool(), "simulate", "--baud", "0", "--memory", MemoryFile};
        args.insert(args.end(), faults.begin(), faults.end());
        return args;
    }

    std::string MemoryFile;
    TProcess Process;
};

std::string Pattern(std::size_t n, int seed) {
    std::string s(n, '\0');
    for (std::size_t i = 0; i < n; ++i)
        s[i] = static_cast<char>((i * 29 + static_cast<std::size_t>(seed)) & 0xFF);
    return s;
}

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
    TProcess update({Tool(), "update", device, "FW", "FR", "PW", "PR", files.Firmware, files.Bin},
                    dir / "update.out");
    ASSERT_TRUE(update.Started());
    EXPECT_EQ(update.Wait(), 0) << update.Text();
    const std::string out = update.Text();
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
        const auto deadline = std::chrono::steady_clock::now() + 30s;
        while (!readBackExists() && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(5ms);
        ASSERT_TRUE(readBackExists()) << update.Text();
        update.Signal(c.Signal);
        EXPECT_EQ(update.Wait(), c.Code) << c.Signal << "\n" << update.Text();
        EXPECT_FALSE(readBackExists()) << c.Signal;
    }
}
