#include "tools/simulator/PseudoTerminal.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace {

[[noreturn]] void Fail(const std::string& what) {
    throw std::runtime_error("simulator: " + what + ": " + std::strerror(errno));
}

} // namespace

void TPseudoTerminal::Open() {
    Close();
    Master.Reset(::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    if (!Master.Valid())
        Fail("cannot open a pseudo-terminal (posix_openpt)");
    if (::grantpt(Master.Get()) != 0 || ::unlockpt(Master.Get()) != 0)
        Fail("cannot unlock the pseudo-terminal");
    char name[128];
    if (::ptsname_r(Master.Get(), name, sizeof name) != 0)
        Fail("cannot name the pseudo-terminal's slave");
    Path = name;
    Slave.Reset(::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    if (!Slave.Valid())
        Fail("cannot open " + Path);
    MakeRaw();
    Watch.Reset(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC));
    if (!Watch.Valid())
        Fail("cannot create an inotify watch");
    if (::inotify_add_watch(Watch.Get(), name, IN_CLOSE_WRITE | IN_CLOSE_NOWRITE) < 0)
        Fail("cannot watch " + Path);
}

void TPseudoTerminal::Close() {
    Watch.Reset();
    Slave.Reset();
    Master.Reset();
    Path.clear();
}

void TPseudoTerminal::MakeRaw() {
    termios settings{};
    if (::tcgetattr(Slave.Get(), &settings) != 0)
        Fail("cannot read the line settings of " + Path);
    ::cfmakeraw(&settings);
    settings.c_cflag |= CLOCAL | CREAD;
    if (::tcsetattr(Slave.Get(), TCSANOW, &settings) != 0)
        Fail("cannot set raw mode on " + Path);
}

void TPseudoTerminal::AfterClientClosed() {
    alignas(inotify_event) char events[4096];
    bool closed = false;
    for (;;) {
        const ssize_t n = ::read(Watch.Get(), events, sizeof events);
        if (n <= 0)
            break;
        closed = true;
    }
    if (!closed)
        return;
    ::ioctl(Slave.Get(), TIOCNXCL);
    termios settings{};
    if (::tcgetattr(Slave.Get(), &settings) == 0) {
        ::cfmakeraw(&settings);
        settings.c_cflag |= CLOCAL | CREAD;
        ::tcsetattr(Slave.Get(), TCSANOW, &settings);
    }
}
