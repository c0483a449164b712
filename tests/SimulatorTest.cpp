#include "tools/simulator/Simulator.h"

#include "tests/support/Await.h"
#include "tests/support/LineFrames.h"
#include "tests/support/Process.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <regex>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;

constexpr auto ReplyTimeout = 5s;

TSimulatorOptions Unpaced() {
    TSimulatorOptions options;
    options.Baud = 0;
    return options;
}

// A client of the pseudo-terminal, as a workstation program would open it.
class TClient {
public:
    explicit TClient(const std::string& path, bool raw = true) {
        Fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (Fd < 0)
            throw std::runtime_error("cannot open " + path + ": " + std::strerror(errno));
        if (raw) {
            termios t{};
            ::tcgetattr(Fd, &t);
            ::cfmakeraw(&t);
            ::tcsetattr(Fd, TCSANOW, &t);
        }
        // As the workstation does before each frame: replies meant for an earlier client may wait.
        ::tcflush(Fd, TCIFLUSH);
    }
    ~TClient() { ::close(Fd); }
    TClient(const TClient&) = delete;
    TClient& operator=(const TClient&) = delete;

    int Handle() const { return Fd; }

    void Send(const std::string& bytes) {
        ASSERT_EQ(::write(Fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }
    // The next count bytes, or fewer when the time-out passes first.
    std::string Receive(std::size_t count, std::chrono::milliseconds timeout = ReplyTimeout) {
        std::string got;
        const auto end = std::chrono::steady_clock::now() + timeout;
        while (got.size() < count) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
            if (left.count() <= 0)
                break;
            pollfd p{Fd, POLLIN, 0};
            if (::poll(&p, 1, static_cast<int>(left.count())) <= 0)
                continue;
            char buffer[512];
            const ssize_t n = ::read(Fd, buffer, std::min(sizeof buffer, count - got.size()));
            if (n > 0) {
                got.append(buffer, static_cast<std::size_t>(n));
                Reads.push_back(static_cast<std::size_t>(n));
            }
        }
        return got;
    }
    std::string Exchange(const std::string& frame, std::size_t replyLength) {
        Send(frame);
        return Receive(replyLength);
    }
    int Waiting() const {
        int n = 0;
        ::ioctl(Fd, FIONREAD, &n);
        return n;
    }
    std::vector<std::size_t> Reads; // sizes of the reads that Receive made

private:
    int Fd = -1;
};

// Trace lines collected from the serving thread.
struct TTraceLog {
    std::mutex Lock;
    std::vector<std::string> Lines;
    std::function<void(const std::string&)> Sink() {
        return [this](const std::string& line) {
            std::lock_guard<std::mutex> guard(Lock);
            Lines.push_back(line);
        };
    }
    std::vector<std::string> Copy() {
        std::lock_guard<std::mutex> guard(Lock);
        return Lines;
    }
};

} // namespace

TEST(Simulator, StoresAnAcknowledgedWriteFrameAndReadsItBack) {
    TSimulator sim(Unpaced());
    sim.Start();
    TClient client(sim.DevicePath());
    const TBlock block = Pattern(1);
    EXPECT_EQ(client.Exchange(WriteFrame(0x24080, block), Ack.size()), Ack);
    EXPECT_EQ(sim.ReadMemory(0x24080, 128), block);
    EXPECT_EQ(sim.ReadMemory(0x24000, 128), Erased);
    EXPECT_EQ(sim.ReadMemory(0x24100, 128), Erased);

    const std::string reply = client.Exchange(ReadCommand(0x24080), 258);
    EXPECT_EQ(reply, DataReply(block));
    EXPECT_EQ(reply.substr(0, 6), "1F262D");
    // Nothing follows the checksum: the next reply starts right after it.
    EXPECT_EQ(client.Exchange(WriteFrame(0x24080, block), Ack.size()), Ack);
    EXPECT_TRUE(Await([&] { return sim.WriteFrames() == 2; }));
    EXPECT_EQ(sim.ReadCommands(), 1u);
    EXPECT_EQ(sim.MalformedFrames(), 0u);
}

TEST(Simulator, MemoryStartsErasedAtBothEnds) {
    TSimulator sim(Unpaced());
    sim.Start();
    TClient client(sim.DevicePath());
    const std::string erasedReply = std::string(256, 'F') + "00";
    EXPECT_EQ(client.Exchange(ReadCommand(0x4000), 258), erasedReply);
    EXPECT_EQ(client.Exchange(ReadCommand(0x27F80), 258), erasedReply);
    EXPECT_EQ(sim.ReadMemory(0x4000, 0x24000), TBlock(0x24000, 0xFF));
    EXPECT_THROW(sim.ReadMemory(0x3FFF, 1), std::out_of_range);
    EXPECT_THROW(sim.ReadMemory(0x27FFF, 2), std::out_of_range);
    EXPECT_THROW(sim.WriteMemory(0x28000, {1}), std::out_of_range);
}

TEST(Simulator, WriteMemoryIsServedToReadCommands) {
    TSimulator sim(Unpaced());
    sim.Start();
    TBlock block(128, 0);
    block[0] = 0x01, block[1] = 0x02, block[2] = 0x04;
    sim.WriteMemory(0x4000, block);
    TClient client(sim.DevicePath());
    EXPECT_EQ(client.Exchange(ReadCommand(0x4000), 258), "010204" + std::string(250, '0') + "07");
}

TEST(Simulator, RefusesMalformedFramesWithoutOK) {
    const std::string good = WriteFrame(0x4000, Pattern(2));
    std::string lowerCase = good;
    lowerCase[20] = 'a';
    lowerCase[21] = 'b';
    std::string badSum = good;
    badSum[270] = badSum[270] == '0' ? '1' : '0';
    struct TCase {
        const char* What;
        std::string Frame;
    } cases[] = {
        {"lower-case data digits", lowerCase},
        {"wrong checksum", badSum},
        {"write frame one digit short", good.substr(0, 271) + "\r"},
        {"write frame one digit long", good.substr(0, 272) + "0\r"},
        {"unknown command", "00004000040080\r"},
        {"memory space 01", "01004000030080\r"},
        {"address below the memory", "00003F80030080\r"},
        {"address past the memory", "00028000030080\r"},
        {"address off a block boundary", "00004001030080\r"},
        {"length other than 0080", "00004000030040\r"},
        {"lower-case read command", "0002400a030080\r"},
        {"write command in a short frame", "00004000020080\r"},
        {"read command in a long frame", "00004000030080" + good.substr(14)},
        {"short text", "HELLO\r"},
        {"frame without its length", "0000400003\r"},
    };
    TSimulator sim(Unpaced());
    sim.Start();
    TClient client(sim.DevicePath());
    std::uint64_t refused = 0;
    for (const auto& c : cases) {
        EXPECT_EQ(client.Exchange(c.Frame, Refusal.size()), Refusal) << c.What;
        ++refused;
        EXPECT_TRUE(Await([&] { return sim.MalformedFrames() == refused; })) << c.What;
    }
    EXPECT_EQ(sim.WriteFrames(), 0u);
    EXPECT_EQ(sim.ReadCommands(), 0u);
    EXPECT_EQ(sim.ReadMemory(0x4000, 128), Erased);
    EXPECT_EQ(client.Waiting(), 0);
}

TEST(Simulator, TakesTheFrameBehindStaleBytesAndIgnoresEmptyLines) {
    TSimulator sim(Unpaced());
    sim.Start();
    TClient client(sim.DevicePath());
    const TBlock block = Pattern(3);
    // The start of an abandoned frame, then a whole one.
    EXPECT_EQ(client.Exchange("0000400002008012\n" + WriteFrame(0x4080, block), Ack.size()), Ack);
    EXPECT_EQ(sim.ReadMemory(0x4080, 128), block);
    client.Send("\r\r");
    EXPECT_EQ(client.Exchange("\n" + ReadCommand(0x4080), 258), DataReply(block));
    EXPECT_TRUE(Await([&] { return sim.ReadCommands() == 1; }));
    EXPECT_EQ(sim.MalformedFrames(), 0u);
    EXPECT_EQ(client.Waiting(), 0);
}

TEST(Simulator, SilenceEveryNthWriteFrame) {
    TSimulatorOptions options = Unpaced();
    options.SilenceEvery = 2;
    TSimulator sim(options);
    sim.Start();
    TClient client(sim.DevicePath());
    EXPECT_EQ(client.Exchange(WriteFrame(0x4000, Pattern(1)), Ack.size()), Ack);
    client.Send(WriteFrame(0x4080, Pattern(2)));
    // Replies come in order: an answer to the silenced frame would stand before this data reply.
    EXPECT_EQ(client.Exchange(ReadCommand(0x4080), 258), DataReply(Erased));
    EXPECT_EQ(client.Exchange(WriteFrame(0x4080, Pattern(2)), Ack.size()), Ack);
    client.Send(WriteFrame(0x4100, Pattern(3)));
    EXPECT_EQ(client.Exchange(ReadCommand(0x4080), 258), DataReply(Pattern(2)));
    EXPECT_EQ(sim.ReadMemory(0x4100, 128), Erased);
    EXPECT_EQ(sim.WriteFrames(), 4u);
}

TEST(Simulator, RefuseEveryNthWriteFrame) {
    TSimulatorOptions options = Unpaced();
    options.RefuseEvery = 3;
    TSimulator sim(options);
    sim.Start();
    TClient client(sim.DevicePath());
    const std::string expected[] = {Ack, Ack, Refusal, Ack, Ack, Refusal};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(client.Exchange(WriteFrame(0x5000 + 128 * i, Pattern(i)), 8), expected[i])
            << "frame " << i + 1;
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(sim.ReadMemory(0x5000 + 128 * i, 128), i % 3 == 2 ? Erased : Pattern(i))
            << "block " << i + 1;
    EXPECT_EQ(sim.MalformedFrames(), 0u);
}

TEST(Simulator, BadChecksumEveryNthDataReply) {
    TSimulatorOptions options = Unpaced();
    options.BadChecksumEvery = 2;
    TSimulator sim(options);
    sim.Start();
    sim.WriteMemory(0x6000, Pattern(4));
    TClient client(sim.DevicePath());
    const std::string good = DataReply(Pattern(4));
    for (int i = 1; i <= 4; ++i) {
        const std::string reply = client.Exchange(ReadCommand(0x6000), 258);
        ASSERT_EQ(reply.size(), 258u);
        EXPECT_EQ(reply.substr(0, 256), good.substr(0, 256)) << "reply " << i;
        if (i % 2 == 0)
            EXPECT_NE(reply.substr(256), good.substr(256)) << "reply " << i;
        else
            EXPECT_EQ(reply, good) << "reply " << i;
    }
}

TEST(Simulator, SplitRepliesArriveInTwoParts) {
    TSimulatorOptions options = Unpaced();
    options.SplitReplies = true;
    TTraceLog trace;
    options.Trace = trace.Sink();
    TSimulator sim(options);
    sim.Start();
    TClient client(sim.DevicePath());
    EXPECT_EQ(client.Exchange(WriteFrame(0x4000, Pattern(5)), Ack.size()), Ack);
    EXPECT_EQ(client.Exchange(ReadCommand(0x4000), 258), DataReply(Pattern(5)));
    std::vector<std::string> sends;
    for (const auto& line : trace.Copy())
        if (line.find(" send ") != std::string::npos)
            sends.push_back(line.substr(13));
    ASSERT_EQ(sends.size(), 4u);
    EXPECT_EQ(sends[0], "send 4 \"00 O\"");
    EXPECT_EQ(sends[1], "send 4 \".K.\\r\"");
    EXPECT_EQ(sends[2].substr(0, 9), "send 129 ");
    EXPECT_EQ(sends[3].substr(0, 9), "send 129 ");
    // Unless the test was held up for the whole gap, its first read took the first half only.
    ASSERT_FALSE(client.Reads.empty());
    EXPECT_TRUE(client.Reads[0] == 4 || client.Reads[0] == 8) << client.Reads[0];
}

TEST(Simulator, NoisyRepliesCarryBlanksAndLineEndsBetweenDigits) {
    TSimulatorOptions options = Unpaced();
    options.NoisyReplies = true;
    TSimulator sim(options);
    sim.Start();
    sim.WriteMemory(0x4000, Pattern(6));
    TClient client(sim.DevicePath());
    client.Send(ReadCommand(0x4000));
    std::string reply, digits;
    while (digits.size() < 258) {
        const std::string byte = client.Receive(1);
        ASSERT_EQ(byte.size(), 1u) << "reply so far: " << reply;
        reply += byte;
        if (byte != " " && byte != "\r" && byte != "\n")
            digits += byte;
    }
    EXPECT_EQ(digits, DataReply(Pattern(6)));
    EXPECT_NE(reply.find(' '), std::string::npos);
    EXPECT_NE(reply.find("\r\n"), std::string::npos);
    EXPECT_EQ(reply.substr(reply.size() - 2), digits.substr(256)) << "the checksum stays last";
    // Acknowledges stay plain.
    EXPECT_EQ(client.Exchange(WriteFrame(0x4000, Pattern(6)), Ack.size()), Ack);
}

TEST(Simulator, SilentAfterNFrames) {
    TSimulatorOptions options = Unpaced();
    options.SilentAfter = 2;
    TTraceLog trace;
    options.Trace = trace.Sink();
    TSimulator sim(options);
    sim.Start();
    TClient client(sim.DevicePath());
    EXPECT_EQ(client.Exchange(WriteFrame(0x4000, Pattern(7)), Ack.size()), Ack);
    EXPECT_EQ(client.Exchange(ReadCommand(0x4000), 258), DataReply(Pattern(7)));
    client.Send(WriteFrame(0x4080, Pattern(8)));
    client.Send(ReadCommand(0x4000));
    client.Send("junk\r");
    ASSERT_TRUE(Await([&] { return sim.MalformedFrames() == 1; }));
    std::size_t sends = 0;
    for (const auto& line : trace.Copy())
        sends += line.find(" send ") != std::string::npos;
    EXPECT_EQ(sends, 2u);
    EXPECT_EQ(client.Waiting(), 0);
    EXPECT_EQ(sim.ReadMemory(0x4080, 128), Erased);
    EXPECT_EQ(sim.WriteFrames(), 2u);
    EXPECT_EQ(sim.ReadCommands(), 2u);
}

TEST(Simulator, CorruptEveryNthStoredBlockStillAcknowledged) {
    TSimulatorOptions options = Unpaced();
    options.CorruptEvery = 2;
    TSimulator sim(options);
    sim.Start();
    TClient client(sim.DevicePath());
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(client.Exchange(WriteFrame(0x24000 + 128 * i, Pattern(i)), Ack.size()), Ack);
    for (int i = 0; i < 4; ++i) {
        TBlock expected = Pattern(i);
        if (i % 2 == 1)
            expected[64] ^= 0x01;
        EXPECT_EQ(sim.ReadMemory(0x24000 + 128 * i, 128), expected) << "block " << i + 1;
    }
    TBlock second = Pattern(1);
    second[64] ^= 0x01;
    EXPECT_EQ(client.Exchange(ReadCommand(0x24080), 258), DataReply(second));
}

TEST(Simulator, ServesClientsThatCloseAndReopenTheDevice) {
    TSimulator sim(Unpaced());
    sim.Start();
    for (int round = 0; round < 5; ++round) {
        const TBlock block = Pattern(10 + round);
        {
            // Each client leaves the line cooked and exclusive; the next one sets nothing itself.
            TClient client(sim.DevicePath(), false);
            EXPECT_EQ(client.Exchange(WriteFrame(0x4000 + 128 * round, block), Ack.size()), Ack) << round;
            EXPECT_EQ(client.Exchange(ReadCommand(0x4000 + 128 * round), 258), DataReply(block)) << round;
            termios t{};
            ::tcgetattr(client.Handle(), &t);
            t.c_iflag |= ICRNL;
            t.c_lflag |= ICANON | ECHO;
            ::tcsetattr(client.Handle(), TCSANOW, &t);
            ::ioctl(client.Handle(), TIOCEXCL);
            // A frame written just before the close is not lost.
            client.Send(WriteFrame(0x8000 + 128 * round, block));
        }
        ASSERT_TRUE(Await([&] { return sim.WriteFrames() == 2u * (round + 1); })) << round;
        EXPECT_EQ(sim.ReadMemory(0x8000 + 128 * round, 128), block) << round;
    }
}

TEST(Simulator, ClearsAClosedClientsExclusiveUseForOrdinaryUsers) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to open the device as another user";
    TSimulator sim(Unpaced());
    sim.Start();
    {
        TClient client(sim.DevicePath());
        ASSERT_EQ(::ioctl(client.Handle(), TIOCEXCL), 0);
    }
    ASSERT_EQ(::chmod(sim.DevicePath().c_str(), 0666), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0)
            ::_exit(100);
        int lastError = 0;
        for (int attempt = 0; attempt < 500; ++attempt) {
            const int fd = ::open(sim.DevicePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
            if (fd >= 0)
                ::_exit(0);
            lastError = errno;
            const timespec pause{0, 10000000};
            ::nanosleep(&pause, nullptr);
        }
        ::_exit(lastError);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "open as nobody failed: " << std::strerror(WEXITSTATUS(status));
}

TEST(Simulator, MemoryFileSavedAtStopAndLoadedAtStart) {
    TTempDir dir;
    TSimulatorOptions options = Unpaced();
    options.MemoryFile = dir / "memory.bin";
    {
        TSimulator sim(options);
        sim.Start();
        TClient client(sim.DevicePath());
        EXPECT_EQ(client.Exchange(WriteFrame(0x24000, Pattern(20)), Ack.size()), Ack);
        sim.Stop();
        EXPECT_EQ(sim.SaveError(), "");
        sim.Stop();
    }
    const std::string image = ReadFileBytes(options.MemoryFile);
    ASSERT_EQ(image.size(), 0x24000u);
    const TBlock block = Pattern(20);
    EXPECT_EQ(image.substr(0x20000, 128), std::string(block.begin(), block.end()));
    EXPECT_EQ(image.substr(0, 0x20000), std::string(0x20000, '\xFF'));
    EXPECT_FALSE(PathExists(options.MemoryFile + ".saving"));

    TSimulator again(options);
    again.Start();
    TClient client(again.DevicePath());
    EXPECT_EQ(client.Exchange(ReadCommand(0x24000), 258), DataReply(Pattern(20)));
}

TEST(Simulator, RefusesAMemoryFileOfAnotherSizeAndLeavesItAlone) {
    TTempDir dir;
    TSimulatorOptions options = Unpaced();
    options.MemoryFile = dir / "notes.txt";
    WriteFileBytes(options.MemoryFile, "not a memory image");
    TSimulator sim(options);
    try {
        sim.Start();
        FAIL() << "Start accepted the file";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find(options.MemoryFile), std::string::npos) << e.what();
    }
    sim.Stop();
    EXPECT_EQ(ReadFileBytes(options.MemoryFile), "not a memory image");
}

TEST(Simulator, LinkMadeAtStartAndRemovedAtStop) {
    TTempDir dir;
    TSimulatorOptions options = Unpaced();
    options.LinkPath = dir / "ttyZE";
    ASSERT_EQ(::symlink("/dev/null", options.LinkPath.c_str()), 0); // a previous run's link
    TSimulator sim(options);
    sim.Start();
    char target[256] = {};
    ASSERT_GT(::readlink(options.LinkPath.c_str(), target, sizeof target - 1), 0);
    EXPECT_EQ(std::string(target), sim.DevicePath());
    {
        TClient client(options.LinkPath);
        EXPECT_EQ(client.Exchange(ReadCommand(0x4000), 258), DataReply(Erased));
    }
    sim.Stop();
    EXPECT_FALSE(PathExists(options.LinkPath));
}

TEST(Simulator, DoesNotReplaceAFileAtTheLinkPath) {
    TTempDir dir;
    TSimulatorOptions options = Unpaced();
    options.LinkPath = dir / "ttyZE";
    WriteFileBytes(options.LinkPath, "keep me");
    TSimulator sim(options);
    EXPECT_THROW(sim.Start(), std::runtime_error);
    sim.Stop();
    EXPECT_EQ(ReadFileBytes(options.LinkPath), "keep me");
}

TEST(Simulator, TraceHasOneStampedLinePerFrameAndReply) {
    TTraceLog trace;
    TSimulatorOptions options = Unpaced();
    options.Trace = trace.Sink();
    TSimulator sim(options);
    sim.Start();
    TClient client(sim.DevicePath());
    EXPECT_EQ(client.Exchange(WriteFrame(0x4000, TBlock(128, 0)), Ack.size()), Ack);
    EXPECT_EQ(client.Exchange("00004000050080\r", Refusal.size()), Refusal);
    const std::vector<std::string> lines = trace.Copy();
    const std::regex stamp(R"(^\d\d:\d\d:\d\d\.\d\d\d .*)");
    for (const auto& line : lines)
        EXPECT_TRUE(std::regex_match(line, stamp)) << line;
    std::vector<std::string> texts;
    for (const auto& line : lines)
        texts.push_back(line.substr(13));
    const std::vector<std::string> expected = {
        "recv 273 \"000040000200800000000000...000000000000000\\r\"",
        "send 8 \"00 O.K.\\r\"",
        "recv 15 \"00004000050080\\r\"",
        "refused: unknown command 05",
        "send 8 \"00 ERR!\\r\"",
    };
    EXPECT_EQ(texts, expected);
}

TEST(Simulator, PacingKeepsToTheLineSpeed) {
    TSimulatorOptions options;
    options.Baud = 9600;
    TSimulator sim(options);
    sim.Start();
    TClient client(sim.DevicePath());
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(client.Exchange(WriteFrame(0x4000, Pattern(9)), Ack.size()), Ack);
    // 273 + 8 bytes of 10 bits at 9600 bit/s take 292.7 ms.
    EXPECT_GE(std::chrono::steady_clock::now() - start, 290ms);
}

TEST(Simulator, StopEndsAPacedReplyAtOnce) {
    TSimulatorOptions options;
    options.Baud = 10; // a reply would take minutes
    TSimulator sim(options);
    sim.Start();
    TClient client(sim.DevicePath());
    client.Send(ReadCommand(0x4000));
    sim.Stop();
    EXPECT_EQ(client.Waiting(), 0);
}

TEST(SimulateCommand, ServesUntilSigtermThenSavesMemoryAndRemovesTheLink) {
    TTempDir dir;
    const std::string memory = dir / "memory.bin", link = dir / "ttyZE0";
    TProcess program({Tool(), "simulate", "--baud", "0", "--memory", memory, "--link", link, "--trace"},
                     dir / "stdout.txt", dir / "stderr.txt");
    ASSERT_TRUE(program.AwaitOutput("\n"));
    const std::string device = program.Text().substr(0, program.Text().find('\n'));
    ASSERT_EQ(device.rfind("/dev/", 0), 0u) << device;
    EXPECT_TRUE(PathExists(link));
    {
        TClient client(device);
        EXPECT_EQ(client.Exchange(WriteFrame(0x4000, Pattern(30)), Ack.size()), Ack);
    }
    program.Signal(SIGTERM);
    EXPECT_EQ(program.Wait(), 0);
    const std::string image = ReadFileBytes(memory);
    ASSERT_EQ(image.size(), 0x24000u);
    const TBlock block = Pattern(30);
    EXPECT_EQ(image.substr(0, 128), std::string(block.begin(), block.end()));
    EXPECT_FALSE(PathExists(link));
    EXPECT_NE(ReadFileBytes(dir / "stderr.txt").find("send 8 \"00 O.K.\\r\""), std::string::npos);
}

TEST(SimulateCommand, HelpTellsWhenASplitAcknowledgeIsJudgedInHalves) {
    const TRunResult run = RunProgram({Tool(), "simulate", "--help"});
    EXPECT_EQ(run.Exit, 0);
    EXPECT_EQ(run.Out.find("never accepted"), std::string::npos) << run.Out;
    EXPECT_NE(run.Out.find("100 ms for the rest of an acknowledge"), std::string::npos) << run.Out;
}

TEST(SimulateCommand, RejectsBadOptionsWithUsageExit) {
    TTempDir dir;
    const std::vector<std::vector<std::string>> cases = {
        {"--baud"},   {"--baud", "fast"}, {"--refuse-every", "-1"}, {"--silent-after", "99999999999"},
        {"--memory"}, {"--split=yes"},    {"--split-gap", "1.5"},   {"--colour"},
        {"extra"},
    };
    for (auto args : cases) {
        args.insert(args.begin(), {Tool(), "simulate"});
        const TRunResult run = RunProgram(args);
        EXPECT_EQ(run.Exit, 64) << args.back();
        EXPECT_EQ(run.Out, "") << args.back();
        EXPECT_NE(run.Err.find("ze50321 simulate: "), std::string::npos) << args.back();
    }
}

TEST(Simulator, LatencyHoldsEachReplyAfterItsFirstByte) {
    TSimulatorOptions options = Unpaced();
    options.LatencyMs = 60;
    TSimulator sim(options);
    sim.Start();
    TClient client(sim.DevicePath());
    for (const auto& exchange : {std::make_pair(WriteFrame(0x4000, Pattern(3)), Ack),
                                 std::make_pair(ReadCommand(0x4000), DataReply(Pattern(3)))}) {
        const auto sent = std::chrono::steady_clock::now();
        client.Send(exchange.first);
        EXPECT_EQ(client.Receive(exchange.second.size()), exchange.second);
        EXPECT_GE(std::chrono::steady_clock::now() - sent, 60ms);
    }
}
