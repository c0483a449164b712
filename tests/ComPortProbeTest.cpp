#include "serial/ComPortProbe.h"

#include "common/UniqueFd.h"
#include "tests/support/Process.h"
#include "tests/support/PseudoTerminalPairPosix.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace fs = std::filesystem;

TEST(ComPortProbe, ListsThePortsThatOpenInNaturalOrder) {
    const TPseudoTerminalPair pty;
    TTempDir dev;
    fs::create_directories(dev / "serial/by-id");
    for (const char* name : {"ttyS10", "ttyS2", "ttyUSB0", "ttyACM1", "ttyAMA3", "rfcomm0", "ttyVirtual",
                             "serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0", "cua0", "ttySx0"})
        fs::create_symlink(pty.SlavePath, dev / name);
    fs::create_symlink(dev / "gone", dev / "ttyS3");    // a link to a missing node
    WriteFileBytes(dev / "ttyS4", "");                  // not a device
    fs::create_symlink("/dev/null", dev / "ttyS5");     // a device, but no terminal
    fs::create_symlink("/dev/null", dev / "ttyNull");   // a tty link, but not to a pseudo-terminal
    fs::create_symlink(pty.SlavePath, dev / "ttyS");    // no number
    fs::create_symlink(pty.SlavePath, dev / "ttyUSBa"); // no number, but a tty link to a pseudo-terminal

    const std::vector<std::string> expected = {
        "rfcomm0",   "serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0",
        "ttyACM1",   "ttyAMA3",
        "ttyS",      "ttyS2",
        "ttyS10",    "ttySx0",
        "ttyUSB0",   "ttyUSBa",
        "ttyVirtual"};
    EXPECT_EQ(expected, ListComPorts(dev.Path()));
}

TEST(ComPortProbe, LeavesOutAPseudoTerminalWhoseMasterHasGone) {
    TTempDir dev;
    {
        const TPseudoTerminalPair pty;
        fs::create_symlink(pty.SlavePath, dev / "ttyS1");
        EXPECT_EQ(std::vector<std::string>{"ttyS1"}, ListComPorts(dev.Path()));
    }
    EXPECT_EQ(std::vector<std::string>{}, ListComPorts(dev.Path()));
    EXPECT_EQ(std::vector<std::string>{}, ListComPorts(dev / "no-such-folder"));
}

TEST(ComPortProbe, ListsAPortHeldExclusivelyByAnotherUser) {
    if (geteuid() == 0)
        GTEST_SKIP() << "root opens terminals held with TIOCEXCL, so the held case cannot be made";
    const TPseudoTerminalPair pty;
    TUniqueFd holder(::open(pty.SlavePath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    ASSERT_TRUE(holder.Valid());
    ASSERT_EQ(0, ioctl(holder.Get(), TIOCEXCL));
    TTempDir dev;
    fs::create_symlink(pty.SlavePath, dev / "ttyUSB7");
    EXPECT_EQ(std::vector<std::string>{"ttyUSB7"}, ListComPorts(dev.Path()));
}

TEST(ComPortProbe, NaturalOrderComparesNumbersByValue) {
    struct TCase {
        const char* A;
        const char* B;
        bool Less;
    } cases[] = {
        {"ttyS2", "ttyS10", true},
        {"ttyS10", "ttyS2", false},
        {"ttyS2", "ttyS2", false},
        {"ttyS", "ttyS0", true},
        {"ttyS0", "ttyS", false},
        {"ttyACM9", "ttyS0", true},
        {"ttyS2", "ttyS02", true},
        {"ttyS02", "ttyS3", true},
        {"ttyS99999999999999999999", "ttyS100000000000000000000", true},
        {"ttyUSB1a", "ttyUSB1b", true},
        {"ttyUSB10", "ttyUSB9x", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.Less, NaturalLess(c.A, c.B)) << c.A << " < " << c.B;
}

TEST(ComPortProbe, PortsCommandPrintsDevicePaths) {
    const TPseudoTerminalPair pty;
    TTempDir dev;
    fs::create_symlink(pty.SlavePath, dev / "ttyUSB0");
    fs::create_symlink(pty.SlavePath, dev / "ttyS11");
    fs::create_symlink(pty.SlavePath, dev / "ttyS2");

    TTempDir noPorts;
    const std::string noUserPorts = noPorts / "none";
    TRunResult run = RunProgram({Tool(), "ports", "--dev", dev.Path() + "/", "--user-ports", noUserPorts});
    EXPECT_EQ(0, run.Exit);
    EXPECT_EQ(dev / "ttyS2\n" + dev / "ttyS11\n" + dev / "ttyUSB0\n", run.Out);

    TTempDir empty;
    run = RunProgram({Tool(), "ports", "--dev", empty.Path(), "--user-ports", noUserPorts});
    EXPECT_EQ(0, run.Exit);
    EXPECT_EQ("", run.Out);

    run = RunProgram({Tool(), "ports", "--help"});
    EXPECT_EQ(0, run.Exit);
    EXPECT_EQ(0u, run.Out.find("Usage: ze50321 ports [--json] [--dev DIR] [--user-ports DIR]\n"));

    EXPECT_EQ(64, RunProgram({Tool(), "ports", "--bogus"}).Exit);
}

TEST(ComPortProbe, ListsTheUserPortFolderOnlyWhenItIsTheUsersAlone) {
    const TPseudoTerminalPair pty;
    TTempDir home;
    const std::string ports = home / "ze50321/ports";
    fs::create_directories(ports);
    fs::create_symlink(pty.SlavePath, ports + "/ttyZE10");
    fs::create_symlink(pty.SlavePath, ports + "/ttyZE9");
    fs::create_symlink("/dev/null", ports + "/ttyNull"); // no terminal
    TTempDir dev;
    fs::create_symlink(pty.SlavePath, dev / "ttyS0");

    const std::vector<std::string> listed = {ports + "/ttyZE9", ports + "/ttyZE10"};
    const struct {
        fs::perms Folder, Parent;
        bool Listed;
    } cases[] = {
        {fs::perms::owner_all, fs::perms::owner_all, true},
        {fs::perms::owner_all | fs::perms::group_read | fs::perms::others_exec, fs::perms::owner_all, true},
        {fs::perms::owner_all | fs::perms::others_write, fs::perms::owner_all, false},
        {fs::perms::owner_all, fs::perms::owner_all | fs::perms::group_write, false},
    };
    for (const auto& c : cases) {
        fs::permissions(ports, c.Folder);
        fs::permissions(home / "ze50321", c.Parent);
        EXPECT_EQ(c.Listed ? listed : std::vector<std::string>{}, ListUserComPorts(ports))
            << static_cast<int>(c.Folder) << " " << static_cast<int>(c.Parent);
    }
    fs::permissions(ports, fs::perms::owner_all);
    fs::permissions(home / "ze50321", fs::perms::owner_all);
    EXPECT_EQ(std::vector<std::string>{}, ListUserComPorts(home / "no-such-folder"));

    const TRunResult run = RunProgram({Tool(), "ports", "--dev", dev.Path(), "--user-ports", ports});
    EXPECT_EQ(dev / "ttyS0\n" + ports + "/ttyZE9\n" + ports + "/ttyZE10\n", run.Out);
}

TEST(ComPortProbe, UserPortFolderIsInTheRuntimeFolder) {
    const char* saved = std::getenv("XDG_RUNTIME_DIR");
    const std::string savedValue = saved ? saved : "";
    ::setenv("XDG_RUNTIME_DIR", "/run/user/1000", 1);
    EXPECT_EQ("/run/user/1000/ze50321/ports", UserPortFolder());
    ::unsetenv("XDG_RUNTIME_DIR");
    EXPECT_EQ("/tmp/ze50321-" + std::to_string(::geteuid()) + "/ports", UserPortFolder());
    EXPECT_EQ(UserPortFolder() + "\n", RunProgram({Tool(), "ports", "--user-folder"}).Out);
    if (saved)
        ::setenv("XDG_RUNTIME_DIR", savedValue.c_str(), 1);
}
