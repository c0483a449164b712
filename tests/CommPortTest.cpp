#include "serial/CommPort.h"

#include "tests/support/Await.h"
#include "tests/support/PseudoTerminalPairPosix.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace {

constexpr auto Bound = std::chrono::milliseconds(10000); // longest wait for a condition

// A pseudo-terminal: the test plays the far end on the master side. The slave side, opened before
// the component takes it and left as the system made it, reads the line settings back.
struct TPty : TPseudoTerminalPair {
    TPty() : TPseudoTerminalPair(OpenSlave | KeepLineSettings | NonBlocking) {}

    termios Settings() const {
        termios t{};
        if (tcgetattr(Slave.Get(), &t) != 0)
            throw std::runtime_error("tcgetattr failed");
        return t;
    }

    void Send(const std::string& bytes) const {
        size_t done = 0;
        Await(
            [&] {
                const ssize_t n = ::write(Master.Get(), bytes.data() + done, bytes.size() - done);
                if (n > 0)
                    done += static_cast<size_t>(n);
                return done >= bytes.size();
            },
            Bound);
    }

    // Reads from the master until count bytes came or the bound passed.
    std::string Receive(size_t count) const {
        std::string got;
        Await(
            [&] {
                char buf[4096];
                const ssize_t n = ::read(Master.Get(), buf, std::min(sizeof buf, count - got.size()));
                if (n > 0)
                    got.append(buf, static_cast<size_t>(n));
                return got.size() >= count;
            },
            Bound);
        return got;
    }
};

// The message the action raised, or "" when it raised nothing.
std::string Raised(const std::function<void()>& action) {
    try {
        action();
    } catch (const ECommError& e) {
        return e.what();
    }
    return "";
}

std::string AllBytes() {
    std::string s;
    for (int i = 0; i < 256; ++i)
        s += static_cast<char>(i);
    return s;
}

} // namespace

TEST(CommPort, ErrorTextCarriesTheCode) {
    const ECommError e("Read error", 5);
    EXPECT_STREQ("Read error (Error: 5) ", e.what());
    EXPECT_EQ(5, e.Code);
    EXPECT_STREQ("Port already assigned (open) (Error: -1) ",
                 ECommError("Port already assigned (open)", -1).what());
}

TEST(CommPort, LineSettingsFollowFlowControlThenOptions) {
    struct TCase {
        const char* Name;
        TFlowControl Flow;
        TCommOptions Options;
        std::uint32_t DeviceFlags;
        std::uint32_t Expected;
    } cases[] = {
        {"default keeps the device's flags", fcDefault, 0, 0x1011, 0x1011},
        {"none is binary mode alone", fcNone, 0, 0xFFFF, 0x0001},
        {"options after none", fcNone, coParityCheck | coNullStrip, 0xFFFF, 0x0803},
        {"CTS adds 0x0004 and 0x2000", fcCTS, 0, 0x1011, 0x3015},
        {"DTR adds 0x0008 and 0x0020", fcDTR, 0, 0x0001, 0x0029},
        {"software adds 0x0100 and 0x0200", fcSoftware, 0, 0x0001, 0x0301},
        {"absent options are cleared", fcDefault, coIgnoreXOff, 0x0FFF, 0x03BD},
        {"every option", fcNone, coParityCheck | coDsrSensitivity | coIgnoreXOff | coErrorChar | coNullStrip,
         0, 0x0CC3},
    };
    for (const auto& c : cases) {
        TComm comm;
        comm.SetFlowControl(c.Flow);
        comm.SetOptions(c.Options);
        EXPECT_EQ(c.Expected, comm.LineSettings(c.DeviceFlags).Flags) << c.Name;
    }

    TComm comm;
    TLineSettings s = comm.LineSettings(DcbBinary);
    EXPECT_EQ(9600, s.Speed);
    EXPECT_EQ(0, s.ParityCode);
    EXPECT_EQ(0, s.StopbitsCode);
    EXPECT_EQ(8, s.ByteSize);
    EXPECT_EQ(1024, s.XonLim);
    EXPECT_EQ(1024, s.XoffLim);
    EXPECT_EQ(17, s.Chars.XonChar);
    EXPECT_EQ(19, s.Chars.XoffChar);

    comm.SetBaudRate(br3000000);
    comm.SetParity(paSpace);
    comm.SetStopbits(sb15);
    comm.SetDatabits(da5);
    comm.SetReadBufSize(1000);
    s = comm.LineSettings(DcbBinary);
    EXPECT_EQ(3000000, s.Speed);
    EXPECT_EQ(4, s.ParityCode);
    EXPECT_EQ(1, s.StopbitsCode);
    EXPECT_EQ(5, s.ByteSize);
    EXPECT_EQ(250, s.XonLim);
    EXPECT_EQ(250, s.XoffLim);
}

TEST(CommPort, OpenPutsTheLineIntoRawMode) {
    TPty pty;
    TComm comm;
    comm.SetDeviceName(pty.SlavePath);
    comm.SetBaudRate(br115200);
    comm.Open();
    ASSERT_TRUE(comm.IsOpen());

    const termios t = pty.Settings();
    EXPECT_EQ(B115200, cfgetispeed(&t));
    EXPECT_EQ(B115200, cfgetospeed(&t));
    EXPECT_EQ(static_cast<tcflag_t>(CS8), t.c_cflag & CSIZE);
    EXPECT_EQ(0u, t.c_cflag & (PARENB | CSTOPB | CRTSCTS));
    EXPECT_EQ(static_cast<tcflag_t>(CREAD | CLOCAL), t.c_cflag & (CREAD | CLOCAL));
    EXPECT_EQ(0u, t.c_lflag & (ICANON | ECHO | ECHONL | ISIG | IEXTEN));
    EXPECT_EQ(0u, t.c_oflag & OPOST);
    EXPECT_EQ(0u, t.c_iflag & (ICRNL | INLCR | IGNCR | ISTRIP | IXON | IXOFF | INPCK | BRKINT | PARMRK));
    EXPECT_EQ(0, t.c_cc[VMIN]);
    EXPECT_EQ(0, t.c_cc[VTIME]);

    // Every byte value passes unchanged both ways: no CR/LF translation, no XON/XOFF, no signals.
    const std::string bytes = AllBytes();
    EXPECT_EQ(256, comm.Write(bytes.data(), 256));
    EXPECT_EQ(bytes, pty.Receive(256));
    pty.Send(bytes);
    ASSERT_TRUE(Await([&] { return comm.BytesWaiting() == 256; }));
    std::string got(300, '\0');
    ASSERT_EQ(256, comm.Read(got.data(), 300));
    got.resize(256);
    EXPECT_EQ(bytes, got);
}

TEST(CommPort, LineSettingsReachTheDevice) {
    struct TCase {
        const char* Name;
        std::function<void(TComm&)> Setup;
        bool CtsFlow, XonOut, XonIn, ParityCheck, TwoStop;
    } cases[] = {
        {"fcNone", [](TComm& c) { c.SetFlowControl(fcNone); }, false, false, false, false, false},
        {"fcCTS", [](TComm& c) { c.SetFlowControl(fcCTS); }, true, false, false, false, false},
        {"fcSoftware", [](TComm& c) { c.SetFlowControl(fcSoftware); }, false, true, true, false, false},
        {"coParityCheck", [](TComm& c) { c.SetOptions(coParityCheck); }, false, false, false, true, false},
        {"coIgnoreXOff", [](TComm& c) { c.SetOptions(coIgnoreXOff); }, false, false, false, false, false},
        {"sb20", [](TComm& c) { c.SetStopbits(sb20); }, false, false, false, false, true},
        {"sb15 with da5",
         [](TComm& c) {
             c.SetDatabits(da5);
             c.SetStopbits(sb15);
         },
         false, false, false, false, true},
    };
    for (const auto& c : cases) {
        TPty pty;
        TComm comm;
        comm.SetDeviceName(pty.SlavePath);
        c.Setup(comm);
        ASSERT_EQ("", Raised([&] { comm.Open(); })) << c.Name;
        const termios t = pty.Settings();
        EXPECT_EQ(c.CtsFlow, (t.c_cflag & CRTSCTS) != 0) << c.Name;
        EXPECT_EQ(c.XonOut, (t.c_iflag & IXON) != 0) << c.Name;
        EXPECT_EQ(c.XonIn, (t.c_iflag & IXOFF) != 0) << c.Name;
        EXPECT_EQ(c.ParityCheck, (t.c_iflag & INPCK) != 0) << c.Name;
        EXPECT_EQ(c.TwoStop, (t.c_cflag & CSTOPB) != 0) << c.Name;
    }

    // fcDefault keeps the device's hardware flow control; the terminal's default XON/XOFF goes.
    TPty pty;
    termios t = pty.Settings();
    t.c_cflag |= CRTSCTS;
    t.c_iflag |= IXON;
    ASSERT_EQ(0, tcsetattr(pty.Slave.Get(), TCSANOW, &t));
    TComm comm;
    comm.SetDeviceName(pty.SlavePath);
    comm.SetEventChars({1, 2, 0, 0, 0});
    comm.Open();
    t = pty.Settings();
    EXPECT_NE(0u, t.c_cflag & CRTSCTS);
    EXPECT_EQ(0u, t.c_iflag & IXON);
    EXPECT_EQ(1, t.c_cc[VSTART]);
    EXPECT_EQ(2, t.c_cc[VSTOP]);
}

TEST(CommPort, SettingsTermiosCannotExpressAreRefusedAndThePortStaysHeld) {
    struct TCase {
        const char* Name;
        std::function<void(TComm&)> Setup;
    } cases[] = {
        {"br14400", [](TComm& c) { c.SetBaudRate(br14400); }},
        {"br56000", [](TComm& c) { c.SetBaudRate(br56000); }},
        {"br128000", [](TComm& c) { c.SetBaudRate(br128000); }},
        {"br256000", [](TComm& c) { c.SetBaudRate(br256000); }},
        {"da4", [](TComm& c) { c.SetDatabits(da4); }},
        {"sb15 with da8", [](TComm& c) { c.SetStopbits(sb15); }},
        {"sb20 with da5",
         [](TComm& c) {
             c.SetDatabits(da5);
             c.SetStopbits(sb20);
         }},
        {"fcDTR", [](TComm& c) { c.SetFlowControl(fcDTR); }},
        {"coDsrSensitivity", [](TComm& c) { c.SetOptions(coDsrSensitivity); }},
        {"coErrorChar", [](TComm& c) { c.SetOptions(coErrorChar); }},
        {"coNullStrip", [](TComm& c) { c.SetOptions(coNullStrip); }},
        {"XON equal to XOFF",
         [](TComm& c) {
             c.SetFlowControl(fcSoftware);
             c.SetEventChars({5, 5, 0, 0, 0});
         }},
    };
    for (const auto& c : cases) {
        TPty pty;
        TComm comm;
        comm.SetDeviceName(pty.SlavePath);
        c.Setup(comm);
        EXPECT_EQ("Error updating DataControlBlock (Error: 22) ", Raised([&] { comm.Open(); })) << c.Name;
        EXPECT_TRUE(comm.IsOpen()) << c.Name;
        comm.Close();
        EXPECT_FALSE(comm.IsOpen()) << c.Name;
    }

    // Set on an open port: raised at once, the value stays stored.
    TPty pty;
    TComm comm;
    comm.SetDeviceName(pty.SlavePath);
    comm.Open();
    EXPECT_EQ("Error updating DataControlBlock (Error: 22) ", Raised([&] { comm.SetBaudRate(br56000); }));
    EXPECT_EQ(br56000, comm.BaudRate());
    EXPECT_TRUE(comm.IsOpen());
}

TEST(CommPort, BaudRateIsStoredWhileClosedAndAppliedAtOnceWhileOpen) {
    TPty pty;
    TComm comm;
    comm.SetDeviceName(pty.SlavePath);
    comm.SetBaudRate(br57600);
    EXPECT_EQ(br57600, comm.BaudRate());
    EXPECT_NE(B57600, cfgetospeed(&static_cast<const termios&>(pty.Settings())));

    comm.Open();
    termios t = pty.Settings();
    EXPECT_EQ(B57600, cfgetospeed(&t));

    comm.SetBaudRate(br1500000);
    t = pty.Settings();
    EXPECT_EQ(B1500000, cfgetospeed(&t));
    EXPECT_EQ(B1500000, cfgetispeed(&t));
}

TEST(CommPort, OpenTwiceRaisesAndLeavesThePortOpen) {
    TPty pty;
    TComm comm;
    comm.SetDeviceName(pty.SlavePath);
    comm.Open();
    EXPECT_EQ("Port already assigned (open) (Error: -1) ", Raised([&] { comm.Open(); }));
    ASSERT_TRUE(comm.IsOpen());
    pty.Send("x");
    ASSERT_TRUE(Await([&] { return comm.BytesWaiting() == 1; }));
    char c = 0;
    EXPECT_EQ(1, comm.Read(&c, 1));
    EXPECT_EQ('x', c);
}

TEST(CommPort, APortHeldByOneCommIsRefusedToAnother) {
    TPty pty;
    TComm first, second;
    first.SetDeviceName(pty.SlavePath);
    second.SetDeviceName(pty.SlavePath);
    first.Open();
    int exclusive = 0;
    ASSERT_EQ(0, ioctl(pty.Slave.Get(), TIOCGEXCL, &exclusive));
    EXPECT_EQ(1, exclusive);

    // Refused by TIOCEXCL (EBUSY) or, where the process may open exclusive terminals, by the lock.
    const std::string text = Raised([&] { second.Open(); });
    EXPECT_TRUE(text == "Error accessing specified device (Error: 16) " ||
                text == "Error accessing specified device (Error: 11) ")
        << text;
    EXPECT_FALSE(second.IsOpen());
    EXPECT_TRUE(first.IsOpen());

    // Closing gives the terminal free again, also while another descriptor keeps it open.
    first.Close();
    ASSERT_EQ(0, ioctl(pty.Slave.Get(), TIOCGEXCL, &exclusive));
    EXPECT_EQ(0, exclusive);
    EXPECT_EQ("", Raised([&] { second.Open(); }));
    EXPECT_TRUE(second.IsOpen());
}

TEST(CommPort, OpenRefusesWhatIsNotATerminal) {
    TTempDir dir;
    WriteFileBytes(dir / "plain", "not a port");
    struct TCase {
        std::string Device;
        std::string Expected;
    } cases[] = {
        {dir / "missing", "Error accessing specified device (Error: 2) "},
        {dir.Path(), "Error accessing specified device (Error: 21) "},
        {dir / "plain", "Invalid device handle, access denied (Error: -1) "},
        {"/dev/null", "Invalid device handle, access denied (Error: -1) "},
    };
    for (const auto& c : cases) {
        TComm comm;
        comm.SetDeviceName(c.Device);
        EXPECT_EQ(c.Expected, Raised([&] { comm.Open(); })) << c.Device;
        EXPECT_FALSE(comm.IsOpen()) << c.Device;
        EXPECT_EQ(-1, comm.BytesWaiting()) << c.Device;
    }
}

TEST(CommPort, AClosedPortAnswersWithoutADevice) {
    TComm comm;
    EXPECT_FALSE(comm.IsOpen());
    EXPECT_EQ("Com2", comm.DeviceName());
    EXPECT_EQ(-1, comm.BytesWaiting());
    EXPECT_EQ("", Raised([&] {
                  comm.DiscardInput();
                  comm.DiscardOutput();
                  comm.Close();
                  comm.Close();
              }));
    const std::string notOpen = "Port not open, unable to complete operation (Error: -1) ";
    EXPECT_EQ(notOpen, Raised([&] { comm.SetDtr(true); }));
    EXPECT_EQ(notOpen, Raised([&] { comm.SetDtr(false); }));
    EXPECT_EQ(notOpen, Raised([&] { comm.LineControl(SETRTS); }));
    char buf[4] = {};
    EXPECT_EQ("Write error (Error: 9) ", Raised([&] { comm.Write("ab", 2); }));
    EXPECT_EQ("Read error (Error: 9) ", Raised([&] { comm.Read(buf, 4); }));
    try {
        comm.SetDtr(true);
    } catch (const ECommError& e) {
        EXPECT_EQ(-1, e.Code);
    }
}

TEST(CommPort, SettersThatNeedAClosedPortRefuseWhileOpen) {
    TPty pty;
    TComm comm;
    comm.SetDeviceName(pty.SlavePath);
    comm.Open();
    const std::string refused = "Port already assigned (open) (Error: -1) ";
    struct TCase {
        const char* Name;
        std::function<void()> Change;
        std::string Expected;
    } cases[] = {
        {"other DeviceName", [&] { comm.SetDeviceName("/dev/other"); }, refused},
        {"same DeviceName", [&] { comm.SetDeviceName(pty.SlavePath); }, ""},
        {"other ReadBufSize", [&] { comm.SetReadBufSize(100); }, refused},
        {"same ReadBufSize", [&] { comm.SetReadBufSize(4096); }, ""},
        {"other WriteBufSize", [&] { comm.SetWriteBufSize(100); }, refused},
        {"same WriteBufSize", [&] { comm.SetWriteBufSize(2048); }, ""},
        {"other MonitorEvents", [&] { comm.SetMonitorEvents(evRxChar); }, refused},
        {"same MonitorEvents", [&] { comm.SetMonitorEvents(AllCommEvents); }, ""},
        {"ReadTimeout", [&] { comm.SetReadTimeout(5); }, ""},
        {"WriteTimeout", [&] { comm.SetWriteTimeout(5); }, ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.Expected, Raised(c.Change)) << c.Name;
        EXPECT_TRUE(comm.IsOpen()) << c.Name;
    }
    EXPECT_EQ(pty.SlavePath, comm.DeviceName());
    EXPECT_EQ(4096, comm.ReadBufSize());
    EXPECT_EQ(2048, comm.WriteBufSize());
    EXPECT_EQ(AllCommEvents, comm.MonitorEvents());
    EXPECT_EQ(5, comm.ReadTimeout());
    EXPECT_EQ(5, comm.WriteTimeout());
}

TEST(CommPort, ReadReturnsAtOnceWithWhatHasArrived) {
    TPty pty;
    TComm comm;
    comm.SetDeviceName(pty.SlavePath);
    // A read that waited for its time-out would outlast the test's own time limit.
    comm.SetReadTimeout(600000);
    comm.Open();
    char buf[100] = {};
    EXPECT_EQ(0, comm.Read(buf, sizeof buf));

    pty.Send("abc");
    ASSERT_TRUE(Await([&] { return comm.BytesWaiting() == 3; }));
    EXPECT_EQ(3, comm.Read(buf, sizeof buf));
    EXPECT_EQ("abc", std::string(buf, 3));
    EXPECT_EQ(0, comm.BytesWaiting());
    EXPECT_EQ(0, comm.Read(buf, sizeof buf));
}

TEST(CommPort, WriteReachesTheFarEnd) {
    TPty pty;
    TComm comm;
    comm.SetDeviceName(pty.SlavePath);
    comm.SetBaudRate(br115200);
    comm.Open();
    comm.SetDtr(true);
    comm.DiscardOutput();
    comm.DiscardInput();
    const std::string frame = "0140000080\r";
    EXPECT_EQ(static_cast<int>(frame.size()), comm.Write(frame.data(), static_cast<int>(frame.size())));
    EXPECT_EQ(frame, pty.Receive(frame.size()));
    EXPECT_EQ(0, comm.Write("", 0));
}

TEST(CommPort, WriteThatCannotCompleteInTimeAnswersMinusOne) {
    TPty pty;
    TComm comm;
    comm.SetDeviceName(pty.SlavePath);
    comm.SetWriteTimeout(100);
    comm.Open();
    // Nobody reads the master side, so the terminal's queues fill up.
    const std::string block(4 << 20, 'U');
    EXPECT_EQ(-1, comm.Write(block.data(), static_cast<int>(block.size())));
    EXPECT_TRUE(comm.IsOpen());
}

TEST(CommPort, DiscardInputDropsWaitingBytes) {
    TPty pty;
    TComm comm;
    comm.SetDeviceName(pty.SlavePath);
    comm.Open();
    pty.Send("stale!");
    ASSERT_TRUE(Await([&] { return comm.BytesWaiting() == 6; }));
    comm.DiscardInput();
    EXPECT_EQ(0, comm.BytesWaiting());
    char buf[8];
    EXPECT_EQ(0, comm.Read(buf, sizeof buf));
}

TEST(CommPort, LineFunctionsSucceedOnAPseudoTerminal) {
    TPty pty;
    TComm comm;
    comm.SetDeviceName(pty.SlavePath);
    comm.Open();
    for (int code : {SETXOFF, SETXON, SETRTS, CLRRTS, SETDTR, CLRDTR, SETBREAK, CLRBREAK})
        EXPECT_EQ("", Raised([&] { comm.LineControl(code); })) << code;
    EXPECT_EQ("", Raised([&] { comm.SetDtr(true); }));
    EXPECT_EQ("", Raised([&] { comm.SetDtr(false); }));
    EXPECT_EQ("EscapeCommFunction failure (Error: 22) ", Raised([&] { comm.LineControl(7); }));
}

TEST(CommPort, FarEndClosingRaisesOnTheNextTransfer) {
    TPty pty;
    TComm comm;
    comm.SetDeviceName(pty.SlavePath);
    comm.Open();
    pty.Master.Reset();
    char buf[8];
    EXPECT_EQ("Read error (Error: 5) ", Raised([&] { comm.Read(buf, sizeof buf); }));
    EXPECT_EQ("Read error (Error: 5) ", Raised([&] { comm.BytesWaiting(); }));
    EXPECT_EQ("Write error (Error: 5) ", Raised([&] { comm.Write("a", 1); }));
    EXPECT_TRUE(comm.IsOpen());
    comm.Close();
    comm.Close();
    EXPECT_FALSE(comm.IsOpen());
}

TEST(CommPort, WaitForInputEndsWhenBytesArrive) {
    TPty pty;
    TComm comm;
    comm.SetDeviceName(pty.SlavePath);
    EXPECT_EQ("Port not open, unable to complete operation (Error: -1) ",
              Raised([&] { comm.WaitForInput(0); }));
    comm.Open();
    EXPECT_FALSE(comm.WaitForInput(0));
    EXPECT_FALSE(comm.WaitForInput(20));
    // A wait far longer than the test's time limit: only the arriving bytes can end it.
    std::thread sender([&] { pty.Send("ab"); });
    EXPECT_TRUE(comm.WaitForInput(600000));
    sender.join();
    ASSERT_TRUE(Await([&] { return comm.BytesWaiting() == 2; }));
    EXPECT_TRUE(comm.WaitForInput(0));
    char buf[8];
    EXPECT_EQ(2, comm.Read(buf, sizeof buf));
    EXPECT_FALSE(comm.WaitForInput(0));
    // A hung-up line would stay readable for ever: it raises instead.
    pty.Master.Reset();
    EXPECT_EQ("Read error (Error: 5) ", Raised([&] { comm.WaitForInput(600000); }));
}

TEST(CommPort, WriteAndReadFromTwoThreadsKeepEveryByte) {
    TPty pty;
    TComm comm;
    comm.SetDeviceName(pty.SlavePath);
    comm.Open();
    std::string sent;
    for (int i = 0; i < 2000; ++i)
        sent += static_cast<char>('A' + i % 26);

    std::string received;
    std::thread writer([&] {
        for (size_t i = 0; i < sent.size(); i += 10)
            comm.Write(sent.data() + i, 10);
    });
    std::thread reader([&] {
        Await(
            [&] {
                char buf[64];
                const int n = comm.Read(buf, sizeof buf);
                if (n > 0)
                    received.append(buf, static_cast<size_t>(n));
                return received.size() >= sent.size();
            },
            Bound);
    });
    // The far end echoes what it gets.
    const std::string echoed = pty.Receive(sent.size());
    pty.Send(echoed);
    writer.join();
    reader.join();
    EXPECT_EQ(sent, echoed);
    EXPECT_EQ(sent, received);
}
