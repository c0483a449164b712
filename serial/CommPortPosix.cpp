// The termios backend of TCustomComm: the device is a terminal character device (a serial port or
// a pseudo-terminal) opened non-blocking; transfers wait with poll(2).

#include "serial/CommPort.h"

#include "common/SystemError.h"
#include "common/UniqueFd.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <mutex>

#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <unistd.h>

namespace {

using TClock = std::chrono::steady_clock;

// Unix98 pseudo-terminal slaves (/dev/pts/N) and the legacy BSD ones (/dev/ttyp*).
constexpr unsigned PtySlaveMajorFirst = 136;
constexpr unsigned PtySlaveMajorLast = 143;
constexpr unsigned LegacyPtySlaveMajor = 3;

bool IsPseudoTerminalDevice(dev_t device) {
    const unsigned m = major(device);
    return (m >= PtySlaveMajorFirst && m <= PtySlaveMajorLast) || m == LegacyPtySlaveMajor;
}

// The termios speed constant of a speed in bit/s; false for speeds termios has no constant for.
bool TermiosSpeed(int bitsPerSecond, speed_t& speed) {
    static const struct {
        int Bps;
        speed_t Speed;
    } Speeds[] = {{110, B110},        {300, B300},     {600, B600},       {1200, B1200},
                  {2400, B2400},      {4800, B4800},   {9600, B9600},     {19200, B19200},
                  {38400, B38400},    {57600, B57600}, {115200, B115200}, {1500000, B1500000},
                  {3000000, B3000000}};
    for (const auto& s : Speeds) {
        if (s.Bps == bitsPerSecond) {
            speed = s.Speed;
            return true;
        }
    }
    return false;
}

// The flag word a device reports. Linux starts every terminal with XON/XOFF on output as a terminal
// default rather than as a choice for the line; binary (raw) mode drops it, so it is not reported.
std::uint32_t DeviceFlags(const termios& t) {
    std::uint32_t flags = DcbBinary | DcbDtrControlEnable;
    if (t.c_iflag & INPCK)
        flags |= DcbParityCheck;
    if (t.c_cflag & CRTSCTS)
        flags |= DcbOutxCtsFlow | DcbRtsControlHandshake;
    else
        flags |= DcbRtsControlEnable;
    return flags;
}

// Maps composed settings onto t in raw mode; false when termios cannot express them.
bool ToTermios(const TLineSettings& s, termios& t) {
    speed_t speed;
    if (!TermiosSpeed(s.Speed, speed))
        return false;
    // Neither DSR flow control nor DSR sensitivity, replacement of faulty bytes or stripping of
    // null bytes exist in termios; providing them silently otherwise would change the data.
    if (s.Flags & (DcbOutxDsrFlow | DcbDtrControlHandshake | DcbDsrSensitivity | DcbErrorChar | DcbNull))
        return false;

    tcflag_t size;
    switch (s.ByteSize) {
    case 5:
        size = CS5;
        break;
    case 6:
        size = CS6;
        break;
    case 7:
        size = CS7;
        break;
    case 8:
        size = CS8;
        break;
    default:
        return false;
    }
    // One and a half stop bits exist only with five data bits, where the UART makes CSTOPB 1.5;
    // two stop bits need six or more.
    if ((s.StopbitsCode == 1 && s.ByteSize != 5) || (s.StopbitsCode == 2 && s.ByteSize == 5))
        return false;
    const bool software = s.Flags & (DcbOutX | DcbInX);
    if (software && s.Chars.XonChar == s.Chars.XoffChar)
        return false;

    t.c_iflag &= ~(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IUCLC | IXON | IXOFF | IXANY |
                   IMAXBEL | INPCK | IGNPAR);
    t.c_oflag &= ~OPOST;
    t.c_lflag &= ~(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    t.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
    t.c_cflag |= size | CREAD | CLOCAL;
    switch (s.ParityCode) {
    case 1:
        t.c_cflag |= PARENB | PARODD;
        break;
    case 2:
        t.c_cflag |= PARENB;
        break;
    case 3:
        t.c_cflag |= PARENB | CMSPAR | PARODD;
        break;
    case 4:
        t.c_cflag |= PARENB | CMSPAR;
        break;
    default:
        break;
    }
    if (s.StopbitsCode != 0)
        t.c_cflag |= CSTOPB;
    if (s.Flags & DcbOutxCtsFlow)
        t.c_cflag |= CRTSCTS;
    if (s.Flags & DcbOutX)
        t.c_iflag |= IXON;
    if (s.Flags & DcbInX)
        t.c_iflag |= IXOFF;
    if (s.Flags & DcbParityCheck)
        t.c_iflag |= INPCK;
    // The XON/XOFF thresholds have no termios counterpart: the line discipline keeps its own.
    // Continuing to send after XOFF was sent (DcbTxContinueOnXoff) is what Linux always does.
    t.c_cc[VSTART] = static_cast<cc_t>(s.Chars.XonChar);
    t.c_cc[VSTOP] = static_cast<cc_t>(s.Chars.XoffChar);
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
    cfsetispeed(&t, speed);
    cfsetospeed(&t, speed);
    return true;
}

// Waits until fd is ready for events or has failed; false when deadline passes first.
bool WaitReady(int fd, short events, TClock::time_point deadline, const char* errorText) {
    for (;;) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - TClock::now()).count();
        if (left <= 0)
            return false;
        pollfd p{fd, events, 0};
        const int r = ::poll(&p, 1, static_cast<int>(left));
        if (r > 0)
            return true;
        if (r < 0 && errno != EINTR)
            throw ECommError(errorText, errno);
    }
}

// A USB adapter of the FTDI kind holds what it receives until its latency timer runs out (16 ms by
// default) before it passes it on, so every reply would arrive that much late. Low latency asks the
// driver for the shortest timer; a driver without the request (a pseudo-terminal, say) or one that
// refuses it is left as it is. True when the flags were changed and are to be given back.
bool AskLowLatency(int fd, int& oldFlags) {
    serial_struct info{};
    if (::ioctl(fd, TIOCGSERIAL, &info) != 0 || (info.flags & ASYNC_LOW_LATENCY))
        return false;
    oldFlags = info.flags;
    info.flags |= ASYNC_LOW_LATENCY;
    return ::ioctl(fd, TIOCSSERIAL, &info) == 0;
}

// Gives the port its old flags back, as far as we changed them: whatever someone else set meanwhile
// stays. An adapter already gone is past caring.
void GiveBackFlags(int fd, int oldFlags) {
    serial_struct info{};
    if (::ioctl(fd, TIOCGSERIAL, &info) != 0)
        return;
    info.flags = (info.flags & ~ASYNC_LOW_LATENCY) | (oldFlags & ASYNC_LOW_LATENCY);
    (void)::ioctl(fd, TIOCSSERIAL, &info);
}

} // namespace

std::string CommErrorText(int code) {
    return SystemErrorText(code);
}

struct TCustomComm::TDevice {
    TUniqueFd Fd;                // invalid when closed
    bool PseudoTerminal = false; // the device has no modem lines
    bool FlagsChanged = false;   // low latency was asked for; OldFlags are given back on close
    int OldFlags = 0;
    // Held by every use of the descriptor, so that a Close on one thread never pulls it from under
    // a transfer or a wait on another. A wait holds it for its length.
    std::mutex Lock;
};

TCustomComm::TCustomComm() : Port(std::make_unique<TDevice>()) {}

TCustomComm::~TCustomComm() {
    Close();
}

bool TCustomComm::IsOpen() const {
    std::lock_guard<std::mutex> guard(Port->Lock);
    return Port->Fd.Valid();
}

void TCustomComm::OpenDevice() {
    TUniqueFd fd(::open(FDeviceName.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    if (!fd.Valid())
        throw ECommError("Error accessing specified device", errno);
    struct stat st {};
    if (::fstat(fd.Get(), &st) != 0 || !S_ISCHR(st.st_mode) || !::isatty(fd.Get()))
        throw ECommError("Invalid device handle, access denied", -1);
    // Exclusive use: flock keeps out other opens that lock (also within this process, and for
    // root, whom TIOCEXCL does not stop); TIOCEXCL keeps out every other open.
    if (::flock(fd.Get(), LOCK_EX | LOCK_NB) != 0)
        throw ECommError("Error accessing specified device", errno);
    if (::ioctl(fd.Get(), TIOCEXCL) != 0)
        throw ECommError("Error accessing specified device", errno);
    int oldFlags = 0;
    const bool flagsChanged = AskLowLatency(fd.Get(), oldFlags);
    std::lock_guard<std::mutex> guard(Port->Lock);
    Port->PseudoTerminal = IsPseudoTerminalDevice(st.st_rdev);
    Port->FlagsChanged = flagsChanged;
    Port->OldFlags = oldFlags;
    Port->Fd = std::move(fd);
}

void TCustomComm::Close() {
    std::lock_guard<std::mutex> guard(Port->Lock);
    if (!Port->Fd.Valid())
        return;
    if (Port->FlagsChanged)
        GiveBackFlags(Port->Fd.Get(), Port->OldFlags);
    // The exclusive mode belongs to the terminal, not to our descriptor: it would outlive us while
    // someone else (a pseudo-terminal's owner) keeps the terminal open, and lock out the next user.
    ::ioctl(Port->Fd.Get(), TIOCNXCL);
    Port->Fd.Reset();
    Port->PseudoTerminal = false;
    Port->FlagsChanged = false;
}

void TCustomComm::ApplyTimeouts() {
    std::lock_guard<std::mutex> guard(Port->Lock);
    if (!Port->Fd.Valid())
        return;
    // A read returns at once with what has arrived; waits are done with poll.
    termios t{};
    if (::tcgetattr(Port->Fd.Get(), &t) != 0)
        throw ECommError("Error updating CommTimeouts", errno);
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
    if (::tcsetattr(Port->Fd.Get(), TCSANOW, &t) != 0)
        throw ECommError("Error updating CommTimeouts", errno);
}

void TCustomComm::ApplySettings() {
    std::lock_guard<std::mutex> guard(Port->Lock);
    if (!Port->Fd.Valid())
        return;
    termios t{};
    if (::tcgetattr(Port->Fd.Get(), &t) != 0)
        throw ECommError("Error updating DataControlBlock", errno);
    const TLineSettings s = LineSettings(DeviceFlags(t));
    if (!ToTermios(s, t))
        throw ECommError("Error updating DataControlBlock", EINVAL);
    if (::tcsetattr(Port->Fd.Get(), TCSANOW, &t) != 0)
        throw ECommError("Error updating DataControlBlock", errno);
    // Disabled DTR or RTS control holds the line low, as fcNone asks.
    int dropped = 0;
    if ((s.Flags & DcbDtrControlMask) == 0)
        dropped |= TIOCM_DTR;
    if ((s.Flags & DcbRtsControlMask) == 0)
        dropped |= TIOCM_RTS;
    if (dropped && !Port->PseudoTerminal && ::ioctl(Port->Fd.Get(), TIOCMBIC, &dropped) != 0)
        throw ECommError("Error updating DataControlBlock", errno);
}

void TCustomComm::SetupQueues() {
    // Linux sizes a terminal's queues itself; there is nothing to request.
}

int TCustomComm::Write(const void* bytes, int count) {
    std::lock_guard<std::mutex> guard(Port->Lock);
    if (!Port->Fd.Valid())
        throw ECommError("Write error", EBADF);
    if (count < 0 || (count > 0 && !bytes))
        throw ECommError("Write error", EINVAL);
    const int fd = Port->Fd.Get();
    const auto deadline = TClock::now() + std::chrono::milliseconds(FWriteTimeout > 0 ? FWriteTimeout : 0);
    const char* p = static_cast<const char*>(bytes);
    int done = 0;
    while (done < count) {
        const ssize_t n = ::write(fd, p + done, static_cast<size_t>(count - done));
        if (n > 0) {
            done += static_cast<int>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK)
            throw ECommError("Write error", errno);
        if (!WaitReady(fd, POLLOUT, deadline, "Write error")) {
            // Drop what is still queued, so that no tail of this transfer reaches the line later.
            ::tcflush(fd, TCOFLUSH);
            return -1;
        }
    }
    return done;
}

int TCustomComm::Read(void* buffer, int count) {
    std::lock_guard<std::mutex> guard(Port->Lock);
    if (!Port->Fd.Valid())
        throw ECommError("Read error", EBADF);
    if (count < 0 || (count > 0 && !buffer))
        throw ECommError("Read error", EINVAL);
    const int fd = Port->Fd.Get();
    for (;;) {
        const ssize_t n = ::read(fd, buffer, static_cast<size_t>(count));
        if (n > 0)
            return static_cast<int>(n);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK)
            throw ECommError("Read error", errno);
        break;
    }
    // Nothing has arrived. A terminal that was hung up (a pseudo-terminal whose other side closed,
    // an adapter that was unplugged) reads as empty too; poll tells the two apart.
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, 0) > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL)))
        throw ECommError("Read error", EIO);
    return 0;
}

int TCustomComm::BytesWaiting() {
    std::lock_guard<std::mutex> guard(Port->Lock);
    if (!Port->Fd.Valid())
        return -1;
    int waiting = 0;
    if (::ioctl(Port->Fd.Get(), FIONREAD, &waiting) != 0)
        throw ECommError("Read error", errno);
    return waiting;
}

bool TCustomComm::WaitForInput(int ms) {
    std::lock_guard<std::mutex> guard(Port->Lock);
    if (!Port->Fd.Valid())
        throw ECommError(PortNotOpenText, -1);
    pollfd p{Port->Fd.Get(), POLLIN, 0};
    int r;
    do
        r = ::poll(&p, 1, ms < 0 ? 0 : ms);
    while (r < 0 && errno == EINTR);
    if (r < 0)
        throw ECommError("Read error", errno);
    // A hung-up terminal (the other side of a pseudo-terminal closed, an adapter unplugged) stays
    // readable for ever: report it rather than let the caller poll it in a tight loop.
    if (r > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL)))
        throw ECommError("Read error", EIO);
    return r > 0;
}

void TCustomComm::DiscardInput() {
    std::lock_guard<std::mutex> guard(Port->Lock);
    if (Port->Fd.Valid())
        ::tcflush(Port->Fd.Get(), TCIFLUSH);
}

void TCustomComm::DiscardOutput() {
    std::lock_guard<std::mutex> guard(Port->Lock);
    if (Port->Fd.Valid())
        ::tcflush(Port->Fd.Get(), TCOFLUSH);
}

void TCustomComm::LineControl(int code) {
    std::lock_guard<std::mutex> guard(Port->Lock);
    if (!Port->Fd.Valid())
        throw ECommError(PortNotOpenText, -1);
    const int fd = Port->Fd.Get();
    int bits = 0;
    int r = 0;
    switch (code) {
    case SETXOFF:
    case SETXON:
    case SETRTS:
    case CLRRTS:
    case SETDTR:
    case CLRDTR:
    case SETBREAK:
    case CLRBREAK:
        // A pseudo-terminal has no modem lines and no break: the functions succeed and do nothing.
        if (Port->PseudoTerminal)
            return;
        break;
    default:
        throw ECommError("EscapeCommFunction failure", EINVAL);
    }
    switch (code) {
    case SETXOFF:
        r = ::tcflow(fd, TCOOFF);
        break;
    case SETXON:
        r = ::tcflow(fd, TCOON);
        break;
    case SETRTS:
    case CLRRTS:
        bits = TIOCM_RTS;
        r = ::ioctl(fd, code == SETRTS ? TIOCMBIS : TIOCMBIC, &bits);
        break;
    case SETDTR:
    case CLRDTR:
        bits = TIOCM_DTR;
        r = ::ioctl(fd, code == SETDTR ? TIOCMBIS : TIOCMBIC, &bits);
        break;
    case SETBREAK:
        r = ::ioctl(fd, TIOCSBRK);
        break;
    default: // CLRBREAK
        r = ::ioctl(fd, TIOCCBRK);
        break;
    }
    if (r != 0)
        throw ECommError("EscapeCommFunction failure", errno);
}
