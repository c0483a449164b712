#include "serial/PortDiagnosis.h"

#include "tests/support/TempDir.h"
#include "tools/simulator/PseudoTerminal.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <string>

#include <poll.h>
#include <sys/file.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// A child process named "holder" that opens path and takes it for exclusive use, as the updater does.
class THolder {
public:
    explicit THolder(const std::string& path) {
        int ready[2];
        if (::pipe(ready) != 0)
            return;
        Pid = ::fork();
        if (Pid == 0) {
            ::prctl(PR_SET_NAME, "holder");
            const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
            const char ok = fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0 ? '1' : '0';
            (void)!::write(ready[1], &ok, 1);
            for (;;)
                ::pause();
        }
        ::close(ready[1]);
        pollfd p{ready[0], POLLIN, 0};
        char ok = '0';
        if (::poll(&p, 1, 10000) == 1)
            (void)!::read(ready[0], &ok, 1);
        ::close(ready[0]);
        Holding = ok == '1';
    }
    ~THolder() {
        if (Pid > 0) {
            ::kill(Pid, SIGKILL);
            ::waitpid(Pid, nullptr, 0);
        }
    }
    pid_t Pid = -1;
    bool Holding = false;
};

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

} // namespace

TEST(PortDiagnosis, VerdictsOnMissingRegularAndPseudoTerminal) {
    TTempDir dir;
    WriteFileBytes(dir / "plain", "not a port");
    ::symlink((dir / "gone").c_str(), (dir / "dangling").c_str());
    TPseudoTerminal pty;
    pty.Open();
    const struct {
        std::string Path;
        TPortVerdict Verdict;
        std::string Text;
    } cases[] = {
        {dir / "absent", TPortVerdict::Missing, dir / "absent\n  exists:    no\n"},
        {dir / "dangling", TPortVerdict::Missing, dir / "dangling -> " + dir / "gone\n  exists:    no\n"},
        {dir / "plain", TPortVerdict::NotTerminal,
         dir / "plain\n  exists:    yes, a regular file\n  terminal:  no: not a serial port\n"},
        {pty.SlavePath(), TPortVerdict::Opens,
         "\n  exists:    yes, a character device\n  terminal:  yes\n  opens:     yes\n"
         "  adapter:   pseudo-terminal (a program's virtual port, such as the converter simulator)\n"},
    };
    for (const auto& c : cases) {
        const TPortDiagnosis d = DiagnosePort(c.Path);
        EXPECT_EQ(d.Verdict, c.Verdict) << c.Path;
        const std::string text = FormatPortDiagnosis(d);
        EXPECT_TRUE(Contains(text, c.Text)) << text;
    }
    EXPECT_EQ(PortReason(DiagnosePort(dir / "dangling")),
              "a link to " + dir / "gone" + ", which does not exist");
    EXPECT_EQ(PortReason(DiagnosePort(dir / "plain")), "not a terminal device but a regular file");
}

TEST(PortDiagnosis, VerdictFromAnOpenThatAlreadyFailed) {
    // The worker's open error decides; the pseudo-terminal itself would open.
    TTempDir dir;
    TPseudoTerminal pty;
    pty.Open();
    const struct {
        std::string Path;
        int Error;
        TPortVerdict Verdict;
    } cases[] = {
        {dir / "absent", ENOENT, TPortVerdict::Missing},     {pty.SlavePath(), EBUSY, TPortVerdict::Held},
        {pty.SlavePath(), EWOULDBLOCK, TPortVerdict::Held}, // the exclusive lock refused
        {pty.SlavePath(), EIO, TPortVerdict::NoHardware},    {pty.SlavePath(), -1, TPortVerdict::NotTerminal},
        {pty.SlavePath(), EINVAL, TPortVerdict::OtherError},
    };
    for (const auto& c : cases) {
        const TPortDiagnosis d = DiagnoseFailedOpen(c.Path, c.Error);
        EXPECT_EQ(d.Verdict, c.Verdict) << c.Path << " " << c.Error;
        if (c.Error > 0 && c.Verdict != TPortVerdict::Missing) {
            EXPECT_EQ(d.OpenError, std::strerror(c.Error));
        }
    }
}

TEST(PortDiagnosis, NamesTheProcessThatHoldsThePort) {
    TPseudoTerminal pty;
    pty.Open();
    THolder holder(pty.SlavePath());
    ASSERT_TRUE(holder.Holding);
    const TPortDiagnosis d = DiagnosePort(pty.SlavePath());
    EXPECT_EQ(d.Verdict, TPortVerdict::Held);
    const std::string who = "holder (pid " + std::to_string(holder.Pid) + ")";
    EXPECT_EQ(PortReason(d), "held by " + who);
    EXPECT_TRUE(Contains(FormatPortDiagnosis(d), "  opens:     no, held by " + who + "\n"))
        << FormatPortDiagnosis(d);
}

TEST(PortDiagnosis, NodeWithoutPermissionNamesOwnerAndGroup) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "root opens every node; run as an unprivileged user "
                        "(runuser -u nobody -- PortDiagnosisTest) to see the refusal";
    TPseudoTerminal pty;
    pty.Open();
    ASSERT_EQ(::chmod(pty.SlavePath().c_str(), 0), 0);
    const TPortDiagnosis d = DiagnosePort(pty.SlavePath());
    EXPECT_EQ(d.Verdict, TPortVerdict::NoPermission);
    EXPECT_EQ(d.UserName, d.Owner); // the pseudo-terminal is the test user's own
    EXPECT_EQ(PortReason(d), "permission denied: c--------- " + d.Owner + ":" + d.Group);
    const std::string text = FormatPortDiagnosis(d);
    EXPECT_TRUE(
        Contains(text, "  why:       " + pty.SlavePath() + " is c--------- " + d.Owner + ":" + d.Group +
                           "; user " + d.UserName + (d.InGroup ? " is" : " is not") + " in group " + d.Group +
                           ".\n"
                           "             Neither its owner's nor its group's permission lets you read "
                           "and write it;\n"))
        << text;
}

TEST(PortDiagnosis, FormatsAUsbAdapterRefusedAndModemManager) {
    TPortDiagnosis d;
    d.Path = "/dev/serial/by-id/usb-0403_6001-if00-port0";
    d.Target = "/dev/ttyUSB0";
    d.Verdict = TPortVerdict::NoPermission;
    d.Exists = d.CharacterDevice = true;
    d.Owner = "root";
    d.Group = "dialout";
    d.Mode = 0660;
    d.GroupMayUse = true;
    d.UserName = "ann";
    d.Driver = "ftdi_sio";
    d.Usb = true;
    d.UsbProduct = "FT232R USB UART";
    d.UsbMaker = "FTDI";
    d.ModemManager = {812, "ModemManager"};
    EXPECT_EQ(
        FormatPortDiagnosis(d),
        "/dev/serial/by-id/usb-0403_6001-if00-port0 -> /dev/ttyUSB0\n"
        "  exists:    yes, a character device\n"
        "  opens:     no, permission denied: the port belongs to group dialout, and you are not in it\n"
        "  adapter:   USB adapter \"FT232R USB UART\" by FTDI, driver ftdi_sio\n"
        "  why:       /dev/serial/by-id/usb-0403_6001-if00-port0 is crw-rw---- root:dialout; user ann "
        "is not in group dialout.\n"
        "             Join the group, then log in again:\n"
        "               sudo usermod -aG dialout $USER\n"
        "  note:      ModemManager (pid 812) is running and is likely to probe this USB serial port for "
        "a modem,\n"
        "             sending it AT commands and holding it for a while after it appears. Stop it with\n"
        "               sudo systemctl stop ModemManager\n"
        "             or mark the adapter ENV{ID_MM_DEVICE_IGNORE}=\"1\" in a udev rule.\n");
    d.GroupListed = true;
    EXPECT_EQ(PortReason(d), "permission denied: the port belongs to group dialout, joined since this login");
}

TEST(PortDiagnosis, NamesTheUartOfABuiltInPort) {
    TPortDiagnosis d;
    d.Exists = d.CharacterDevice = true;
    d.Driver = "serial";
    d.Uart = "16550A";
    EXPECT_EQ(AdapterText(d), "serial port, UART 16550A, driver serial");
    d.Uart.clear();
    EXPECT_EQ(AdapterText(d), "serial port, driver serial");
}
