// TComm's Win32 backend against the converter simulator, whose pseudo-terminal scripts/test-windows
// maps to a COM port of the wine prefix and names in ZE_TEST_COM_PORT.

#include "serial/CommPort.h"

#include "common/UniqueHandleWin32.h"
#include "common/WideTextWin32.h"
#include "serial/DcbFlagsWin32.h"
#include "tests/support/LineFrames.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <functional>

#include <windows.h>

namespace {

std::string Raised(const std::function<void()>& action) {
    try {
        action();
    } catch (const ECommError& e) {
        return e.what();
    }
    return "";
}

// The COM port of the simulator, or empty with the reason.
std::string SimulatorPort(std::string& why) {
    const char* port = std::getenv("ZE_TEST_COM_PORT");
    if (!port || !*port)
        why = "ZE_TEST_COM_PORT names no COM port mapped to the simulator (scripts/test-windows sets it)";
    return port ? port : "";
}

void OpenAsTheUpdaterDoes(TComm& comm, const std::string& port) {
    comm.SetDeviceName(port);
    comm.SetBaudRate(br115200);
    comm.SetReadTimeout(1000);
    comm.SetWriteTimeout(1000);
    comm.Open();
    comm.DiscardInput();
    comm.DiscardOutput();
}

// Writes frame whole, then collects replyLength bytes or what came within five seconds.
std::string Exchange(TComm& comm, const std::string& frame, std::size_t replyLength) {
    EXPECT_EQ(comm.Write(frame.data(), static_cast<int>(frame.size())), static_cast<int>(frame.size()));
    std::string reply;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (reply.size() < replyLength && std::chrono::steady_clock::now() < end) {
        if (!comm.WaitForInput(100))
            continue;
        char buffer[512];
        const int got =
            comm.Read(buffer, static_cast<int>(std::min(sizeof buffer, replyLength - reply.size())));
        if (got > 0)
            reply.append(buffer, static_cast<std::size_t>(got));
    }
    return reply;
}

TEST(CommPortWin32, WritesFramesAndReadsRepliesOfTheSimulator) {
    std::string why;
    const std::string port = SimulatorPort(why);
    if (port.empty())
        GTEST_SKIP() << why;
    TComm comm;
    OpenAsTheUpdaterDoes(comm, port);
    ASSERT_TRUE(comm.IsOpen());
    const struct {
        const char* What;
        std::string Frame;
        std::size_t ReplyLength;
        std::string Reply;
    } steps[] = {
        {"write frame", WriteFrame(0x27F00, Pattern(3)), Ack.size(), Ack},
        {"read command", ReadCommand(0x27F00), DataReplyLength, DataReply(Pattern(3))},
        {"write frame again", WriteFrame(0x27F00, Erased), Ack.size(), Ack},
        {"read it back", ReadCommand(0x27F00), DataReplyLength, DataReply(Erased)},
    };
    for (const auto& s : steps)
        EXPECT_EQ(Exchange(comm, s.Frame, s.ReplyLength), s.Reply) << s.What;
    EXPECT_EQ(comm.BytesWaiting(), 0);
    comm.Close();
    EXPECT_FALSE(comm.IsOpen());
}

TEST(CommPortWin32, PortsThatCannotBeOpenedRaiseWithTheirReason) {
    TTempDir dir;
    WriteFileBytes(dir / "plain", "");
    const struct {
        std::string Device;
        std::string Expected;
    } cases[] = {
        {"\\\\.\\COM199", "Error accessing specified device (Error: 2) "},
        {dir / "missing", "Error accessing specified device (Error: 2) "},
        {dir / "plain", "Invalid device handle, access denied (Error: -1) "},
    };
    for (const auto& c : cases) {
        TComm comm;
        comm.SetDeviceName(c.Device);
        EXPECT_EQ(Raised([&] { comm.Open(); }), c.Expected) << c.Device;
        EXPECT_FALSE(comm.IsOpen()) << c.Device;
    }
}

// Wine's COM port on a pseudo-terminal has no modem lines: EscapeCommFunction(SETDTR) fails with
// ERROR_NOT_SUPPORTED and GetCommModemStatus fails too. That pair is taken as "no modem lines"; a
// line function that is not a modem line, or a port whose modem status reads, still raises.
TEST(CommPortWin32, ModemLinesOfAPortWithoutThemAreNoFailure) {
    std::string why;
    const std::string port = SimulatorPort(why);
    if (port.empty())
        GTEST_SKIP() << why;
    {
        // What wine answers on this port, looked at directly.
        TUniqueHandle raw(CreateFileW(WideFromUtf8(port).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr));
        ASSERT_TRUE(raw.Valid()) << GetLastError();
        DWORD status = 0;
        if (GetCommModemStatus(raw.Get(), &status))
            GTEST_SKIP() << "this port reads its modem status (" << status
                         << "): it is not wine's pseudo-terminal";
        ASSERT_FALSE(EscapeCommFunction(raw.Get(), SETDTR));
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_SUPPORTED));
    }
    TComm comm;
    OpenAsTheUpdaterDoes(comm, port);
    for (int code : {SETDTR, CLRDTR, SETRTS, CLRRTS})
        EXPECT_EQ(Raised([&] { comm.LineControl(code); }), "") << code;
    EXPECT_EQ(Raised([&] { comm.SetDtr(true); }), "");
    EXPECT_EQ(Raised([&] { comm.SetDtr(false); }), "");
    // The port still carries frames afterwards.
    EXPECT_EQ(Exchange(comm, WriteFrame(0x27F80, Pattern(4)), Ack.size()), Ack);
}

} // namespace

TEST(CommPortWin32, FlagWordSetsEveryFlagOfTheDcb) {
    // A DCB as another program may leave it: every flag bit set, abort-on-error among them.
    DCB d;
    std::memset(&d, 0xFF, sizeof d);
    SetDcbFlags(d, DcbBinary);
    std::uint32_t word = 0;
    std::memcpy(&word, reinterpret_cast<const char*>(&d) + offsetof(DCB, BaudRate) + sizeof d.BaudRate,
                sizeof word);
    EXPECT_EQ(word, 0x00000001u);
    EXPECT_EQ(d.fAbortOnError, 0u);
    EXPECT_EQ(DcbFlags(d), DcbBinary);

    SetDcbFlags(d, DcbBinary | DcbOutX | DcbInX | DcbAbortOnError);
    EXPECT_EQ(DcbFlags(d), DcbBinary | DcbOutX | DcbInX | DcbAbortOnError);
}
