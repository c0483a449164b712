#include "updater/Tarm_SER.h"

#include "tests/support/Await.h"
#include "tests/support/Bytes.h"
#include "tests/support/PseudoTerminalPairPosix.h"
#include "tests/support/TempDir.h"
#include "tools/simulator/Simulator.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;

int OpenFileCount() {
    int n = 0;
    if (DIR* d = opendir("/proc/self/fd")) {
        while (readdir(d))
            ++n;
        closedir(d);
    }
    return n;
}

// Frames and replies the worker reported through OnFrame, in order.
class TFrameLog {
public:
    void Attach(Tarm_SER& worker) {
        worker.OnFrame = [this](bool sent, const std::string& bytes) {
            std::lock_guard<std::mutex> lock(Lock);
            Entries.push_back({sent, bytes});
        };
    }
    std::vector<std::string> Sent() const {
        std::lock_guard<std::mutex> lock(Lock);
        std::vector<std::string> out;
        for (const auto& e : Entries)
            if (e.first)
                out.push_back(e.second);
        return out;
    }
    std::vector<std::string> Received() const {
        std::lock_guard<std::mutex> lock(Lock);
        std::vector<std::string> out;
        for (const auto& e : Entries)
            if (!e.first)
                out.push_back(e.second);
        return out;
    }
    size_t Size() const {
        std::lock_guard<std::mutex> lock(Lock);
        return Entries.size();
    }

private:
    mutable std::mutex Lock;
    std::vector<std::pair<bool, std::string>> Entries;
};

// The 14 header characters of each frame sent.
std::vector<std::string> Headers(const std::vector<std::string>& frames) {
    std::vector<std::string> out;
    for (const auto& f : frames)
        out.push_back(f.substr(0, 14));
    return out;
}

bool StartWorker(Tarm_SER& worker, const std::string& device) {
    worker.DeviceName = device;
    worker.Start();
    return Await([&] { return worker.OpenTried.load(); }) && worker.PortOpened.load() == 1;
}

bool AwaitIdle(Tarm_SER& worker) {
    return Await([&] { return worker.State.load() == StateIdle; });
}

// A worker and a simulator without line pacing, each test with its own folder.
struct TRig {
    explicit TRig(const TSimulatorOptions& options = {}) : Simulator(WithoutPacing(options)) {
        Simulator.Start();
        Log.Attach(Worker);
        // The simulator answers at once; a reply wait that ends is a fault the test injected, not a
        // machine too loaded to answer within half a second.
        Worker.Timings.DataPolls = 3000;
    }
    static TSimulatorOptions WithoutPacing(TSimulatorOptions options) {
        options.Baud = 0;
        return options;
    }
    bool Start() { return StartWorker(Worker, Simulator.DevicePath()); }

    // Writes bytes as a file into the region and waits for the worker to be idle again.
    std::int32_t Write(int region, const std::string& bytes, const std::string& name = "image.bin") {
        WriteFileBytes(Dir / name, bytes);
        Worker.FileName = Dir / name;
        std::int32_t size = -1;
        const std::int32_t rc = Worker.StartRegionWrite(region, size);
        if (rc == StartStarted) {
            EXPECT_EQ(size, static_cast<std::int32_t>(bytes.size()));
            EXPECT_TRUE(AwaitIdle(Worker));
        }
        return rc;
    }
    // Reads the region (length bytes, 0 the whole) into a file and returns its content.
    std::string Read(int region, std::int32_t length, const std::string& name = "back.b79") {
        Worker.FileName = Dir / name;
        EXPECT_EQ(Worker.StartRegionRead(region, length), StartStarted);
        EXPECT_TRUE(AwaitIdle(Worker));
        return ReadFileBytes(Dir / name);
    }

    TTempDir Dir;
    TSimulator Simulator;
    TFrameLog Log;
    Tarm_SER Worker; // declared last: stopped before the simulator goes away
};

// A scripted peer on a pseudo-terminal for replies the simulator does not make: every frame (up
// to its carriage return) is answered with what Answer returns for it.
class TScriptedPeer {
public:
    explicit TScriptedPeer(std::function<std::string(int index, const std::string& frame)> answer)
        : Answer(std::move(answer)) {
        Thread = std::thread([this] { Serve(); });
    }
    ~TScriptedPeer() {
        Stop = true;
        Thread.join();
    }
    TScriptedPeer(const TScriptedPeer&) = delete;
    TScriptedPeer& operator=(const TScriptedPeer&) = delete;

    TPseudoTerminalPair Pty{TPseudoTerminalPair::OpenSlave}; // the worker opens Pty.SlavePath
    const std::string Path = Pty.SlavePath;
    std::atomic<int> Frames{0};
    // While set, the peer sends a byte every millisecond or so, never pausing.
    std::atomic<bool> Chatter{false};
    // The next this many replies go out a byte every 5 ms; a frame arriving meanwhile ends one.
    std::atomic<int> TrickledReplies{0};

private:
    void Serve() {
        std::string pending;
        while (!Stop) {
            pollfd p{Master, POLLIN, 0};
            const int ready = poll(&p, 1, Chatter ? 1 : 5);
            if (Chatter && write(Master, "~", 1) != 1)
                continue;
            if (ready <= 0 || !(p.revents & POLLIN))
                continue;
            char buffer[512];
            const ssize_t n = read(Master, buffer, sizeof buffer);
            if (n <= 0)
                continue;
            pending.append(buffer, static_cast<size_t>(n));
            size_t end;
            while ((end = pending.find('\r')) != std::string::npos) {
                const std::string frame = pending.substr(0, end + 1);
                pending.erase(0, end + 1);
                const std::string reply = Answer(Frames, frame);
                ++Frames;
                if (TrickledReplies > 0) {
                    --TrickledReplies;
                    Trickle(reply);
                    continue;
                }
                for (size_t done = 0; done < reply.size();) {
                    const ssize_t w = write(Master, reply.data() + done, reply.size() - done);
                    if (w <= 0)
                        break;
                    done += static_cast<size_t>(w);
                }
            }
        }
    }

    void Trickle(const std::string& reply) {
        for (const char c : reply) {
            pollfd p{Master, POLLIN, 0};
            if (Stop || poll(&p, 1, 5) != 0 || write(Master, &c, 1) != 1)
                return;
        }
    }

    std::function<std::string(int, const std::string&)> Answer;
    const int Master = Pty.Master.Get();
    std::atomic<bool> Stop{false};
    std::thread Thread;
};

// The 256 digits and the checksum of a block read back from the peer.
std::string DataReply(const std::string& block) {
    const char* hex = "0123456789ABCDEF";
    std::string s;
    unsigned sum = 0;
    for (unsigned char c : block) {
        s += hex[c >> 4];
        s += hex[c & 15];
        sum ^= c;
    }
    s += hex[sum >> 4];
    s += hex[sum & 15];
    return s;
}

} // namespace

TEST(Tarm_SER, AnswersAFramedAcknowledgeLongerThanItsBuffer) {
    // Each write frame is answered with an acknowledge trailed by 1000 bytes: the excess is read
    // and dropped, the block is taken as accepted.
    TScriptedPeer peer([](int, const std::string&) { return "\r\n>O.K." + std::string(1000, '*'); });
    TTempDir dir;
    TFrameLog log; // outlives the worker that reports to it
    Tarm_SER worker;
    log.Attach(worker);
    ASSERT_TRUE(StartWorker(worker, peer.Path));
    WriteFileBytes(dir / "f.bin", Pattern(200, 1));
    worker.FileName = dir / "f.bin";
    std::int32_t size = 0;
    ASSERT_EQ(worker.StartRegionWrite(1, size), StartStarted);
    ASSERT_TRUE(AwaitIdle(worker));
    EXPECT_EQ(worker.BlockCount.load(), 2);
    EXPECT_FALSE(worker.TransferFailed.load());
    for (const auto& reply : log.Received()) {
        EXPECT_LE(reply.size(), 256u);
        EXPECT_EQ(reply.substr(0, 7), "\r\n>O.K.");
    }
}

TEST(Tarm_SER, DataReplyLongerThanItsBufferIsNotGood) {
    // The first request is answered with 600 digits, more than both the receive buffer and the
    // block hold; the same address is asked again and its proper reply kept.
    const std::string memory = Pattern(256, 2);
    TScriptedPeer peer([&](int index, const std::string& frame) -> std::string {
        if (index == 0)
            return std::string(600, 'F');
        const unsigned long address = std::strtoul(frame.substr(2, 6).c_str(), nullptr, 16);
        return DataReply(memory.substr((address - ConfigRegionFirst), 128));
    });
    TTempDir dir;
    TFrameLog log; // outlives the worker that reports to it
    Tarm_SER worker;
    log.Attach(worker);
    ASSERT_TRUE(StartWorker(worker, peer.Path));
    worker.FileName = dir / "back.b79";
    ASSERT_EQ(worker.StartRegionRead(1, 256), StartStarted);
    ASSERT_TRUE(AwaitIdle(worker));
    EXPECT_EQ(ReadFileBytes(dir / "back.b79"), memory);
    EXPECT_TRUE(worker.ErrorSeen.load());
    EXPECT_GE(worker.RetryCount.load(), 1);
    const auto headers = Headers(log.Sent());
    ASSERT_GE(headers.size(), 3u);
    EXPECT_EQ(headers[0], "00024000030080");
    EXPECT_EQ(headers[1], "00024000030080");
    EXPECT_EQ(headers.back(), "00024080030080");
    for (const auto& reply : log.Received())
        EXPECT_LE(reply.size(), 321u);
}

TEST(Tarm_SER, WritesFilesInWholeBlocks) {
    struct {
        size_t Length;
        int Blocks;
    } cases[] = {{128, 1}, {129, 2}};
    for (const auto& c : cases) {
        TRig rig;
        ASSERT_TRUE(rig.Start());
        rig.Simulator.WriteMemory(FirmwareRegionFirst, std::vector<std::uint8_t>(256, 0xFF));
        const std::string file = Pattern(c.Length, 3);
        ASSERT_EQ(rig.Write(0, file), StartStarted);
        // The block after the file's end is zero-filled; memory past the last block is untouched.
        std::string expected = file + std::string(128 * c.Blocks - c.Length, '\0');
        expected += std::string(256 - expected.size(), '\xFF');
        EXPECT_EQ(Bytes(rig.Simulator.ReadMemory(FirmwareRegionFirst, 256)), expected) << c.Length;
        EXPECT_EQ(rig.Simulator.WriteFrames(), static_cast<std::uint64_t>(c.Blocks));
        EXPECT_EQ(rig.Worker.BlockCount.load(), c.Blocks);
        EXPECT_EQ(rig.Worker.StartAddress.load(), FirmwareRegionFirst);
        EXPECT_EQ(rig.Worker.EndAddress.load(), FirmwareRegionFirst + c.Length - 1);
        EXPECT_EQ(rig.Worker.Address.load(), FirmwareRegionFirst + 128u * c.Blocks);
        EXPECT_FALSE(rig.Worker.ErrorSeen.load());
        EXPECT_EQ(rig.Worker.RetryCount.load(), 0);
        std::vector<std::string> expectedHeaders = {"00004000020080", "00004080020080"};
        expectedHeaders.resize(static_cast<size_t>(c.Blocks));
        EXPECT_EQ(Headers(rig.Log.Sent()), expectedHeaders);
    }
}

TEST(Tarm_SER, ConfigurationImageAndItsReadBack) {
    TRig rig;
    ASSERT_TRUE(rig.Start());
    const std::string image = Pattern(29, 4);
    ASSERT_EQ(rig.Write(1, image), StartStarted);
    const std::string block = image + std::string(99, '\0');
    EXPECT_EQ(Bytes(rig.Simulator.ReadMemory(ConfigRegionFirst, 128)), block);
    const auto sent = rig.Log.Sent();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0], "00024000020080" + DataReply(block) + "\r");

    const std::string back = rig.Read(1, 29);
    EXPECT_EQ(back, block);
    EXPECT_EQ(rig.Simulator.ReadCommands(), 1u);
    EXPECT_EQ(rig.Log.Sent().back(), "00024000030080\r");
    EXPECT_EQ(rig.Worker.EndAddress.load(), ConfigRegionFirst + 28);
    EXPECT_EQ(rig.Worker.BlockCount.load(), 1);
    EXPECT_FALSE(rig.Worker.ErrorSeen.load());
}

TEST(Tarm_SER, ReadsAWholeRegionBlockByBlock) {
    TRig rig;
    ASSERT_TRUE(rig.Start());
    const std::string memory = Pattern(16384, 5);
    rig.Simulator.WriteMemory(ConfigRegionFirst, std::vector<std::uint8_t>(memory.begin(), memory.end()));
    EXPECT_EQ(rig.Read(1, 0), memory);
    EXPECT_EQ(rig.Simulator.ReadCommands(), 128u);
    EXPECT_EQ(rig.Worker.BlockCount.load(), 128);
    EXPECT_EQ(rig.Worker.EndAddress.load(), ConfigRegionLast);
    std::vector<std::string> expected;
    char header[16];
    for (std::uint32_t a = ConfigRegionFirst; a <= ConfigRegionLast; a += 128) {
        std::snprintf(header, sizeof header, "00%06X030080", a);
        expected.push_back(header);
    }
    EXPECT_EQ(Headers(rig.Log.Sent()), expected);
    EXPECT_EQ(expected.back(), "00027F80030080");
}

TEST(Tarm_SER, ResendsTheSameBlockAfterASilenceOrARefusal) {
    struct {
        const char* Fault;
        TSimulatorOptions Options;
    } cases[] = {{"silence", {}}, {"refusal", {}}};
    cases[0].Options.SilenceEvery = 2;
    cases[1].Options.RefuseEvery = 2;
    for (const auto& c : cases) {
        TRig rig(c.Options);
        rig.Worker.Timings.AckIdlePolls = 20;
        ASSERT_TRUE(rig.Start());
        const std::string file = Pattern(4 * 128, 6);
        ASSERT_EQ(rig.Write(1, file), StartStarted);
        EXPECT_EQ(Bytes(rig.Simulator.ReadMemory(ConfigRegionFirst, 512)), file) << c.Fault;
        EXPECT_TRUE(rig.Worker.ErrorSeen.load()) << c.Fault;
        EXPECT_EQ(rig.Worker.BlockCount.load(), 4) << c.Fault;
        const auto sent = rig.Log.Sent();
        EXPECT_EQ(sent.size(), 4u + static_cast<size_t>(rig.Worker.RetryCount.load())) << c.Fault;
        EXPECT_GE(rig.Worker.RetryCount.load(), 1) << c.Fault;
        // Every frame either repeats the one before it unchanged or carries the next block.
        std::uint32_t address = ConfigRegionFirst;
        for (size_t i = 0; i < sent.size(); ++i) {
            if (i > 0 && sent[i] == sent[i - 1])
                continue;
            char header[16];
            std::snprintf(header, sizeof header, "00%06X020080", address);
            EXPECT_EQ(sent[i].substr(0, 14), header) << c.Fault << " frame " << i;
            address += 128;
        }
    }
}

TEST(Tarm_SER, BytesThatNeverPauseEndTheWaitAndTheBlockIsSentAgain) {
    // Set after the peer's thread started: atomic, as that thread reads it.
    std::atomic<TScriptedPeer*> self{nullptr};
    TScriptedPeer peer([&](int, const std::string&) {
        self.load()->Chatter = true;
        return std::string();
    });
    self = &peer;
    TTempDir dir;
    TFrameLog log;
    Tarm_SER worker; // stopped before the log and the folder go
    log.Attach(worker);
    worker.Timings.PollMs = 20; // many times the gap between two bytes of chatter
    worker.Timings.AckPolls = 30;
    ASSERT_TRUE(StartWorker(worker, peer.Path));
    WriteFileBytes(dir / "f.bin", Pattern(128, 11));
    worker.FileName = dir / "f.bin";
    std::int32_t size = 0;
    ASSERT_EQ(worker.StartRegionWrite(1, size), StartStarted);
    ASSERT_TRUE(Await([&] { return log.Sent().size() >= 3; }));
    const auto sent = log.Sent();
    EXPECT_EQ(sent[1], sent[0]);
    EXPECT_EQ(sent[2], sent[0]);
    EXPECT_EQ(worker.BlockCount.load(), 0);
    EXPECT_TRUE(worker.ErrorSeen.load());
}

TEST(Tarm_SER, AcknowledgeWaitsJudgeWhatCame) {
    // Short answers that end their line are judged after one quiet poll, and an "O.K." followed by
    // bytes that never pause is judged at the bound of the wait. The settle for an unfinished short
    // answer and the bound are made too long to reach otherwise: a wait that did not judge would
    // not end within the test.
    struct {
        const char* Name;
        const char* First; // the answer to the first write frame; later ones are acknowledged
        bool Chatter;      // bytes that never pause follow the first answer
        std::int32_t Retries;
    } cases[] = {{"NAK with its carriage return", "NAK\r", false, 1},
                 {"O.K. and endless chatter", "00 O.K.", true, 0}};
    for (const auto& c : cases) {
        std::atomic<TScriptedPeer*> self{nullptr};
        TScriptedPeer peer([&](int index, const std::string&) -> std::string {
            if (index > 0)
                return "00 O.K.\r";
            self.load()->Chatter = c.Chatter;
            return c.First;
        });
        self = &peer;
        TTempDir dir;
        TFrameLog log;
        Tarm_SER worker; // stopped before the log and the folder go
        log.Attach(worker);
        worker.Timings.AckSettlePolls = 1000000;
        worker.Timings.AckPolls = c.Chatter ? 30 : 1000000;
        ASSERT_TRUE(StartWorker(worker, peer.Path));
        WriteFileBytes(dir / "f.bin", Pattern(128, 13));
        worker.FileName = dir / "f.bin";
        std::int32_t size = 0;
        ASSERT_EQ(worker.StartRegionWrite(1, size), StartStarted);
        EXPECT_TRUE(AwaitIdle(worker)) << c.Name;
        EXPECT_EQ(worker.BlockCount.load(), 1) << c.Name;
        EXPECT_EQ(worker.RetryCount.load(), c.Retries) << c.Name;
        EXPECT_EQ(log.Sent().size(), 1u + static_cast<size_t>(c.Retries)) << c.Name;
        peer.Chatter = false;
    }
}

TEST(Tarm_SER, DataReplyThatTricklesInIsWaitedForItsPollsOnly) {
    // The first reply comes a byte every 5 ms, about 1.3 s for the whole: longer than the ten polls
    // of 10 ms the worker waits for it, though no poll is silent. The address is asked again.
    const std::string memory = Pattern(128, 14);
    TScriptedPeer peer([&](int, const std::string&) { return DataReply(memory); });
    peer.TrickledReplies = 1;
    TTempDir dir;
    TFrameLog log; // outlives the worker that reports to it
    Tarm_SER worker;
    log.Attach(worker);
    worker.Timings.DataPolls = 10;
    ASSERT_TRUE(StartWorker(worker, peer.Path));
    worker.FileName = dir / "back.b79";
    ASSERT_EQ(worker.StartRegionRead(1, 128), StartStarted);
    ASSERT_TRUE(AwaitIdle(worker));
    EXPECT_EQ(ReadFileBytes(dir / "back.b79"), memory);
    EXPECT_GE(worker.RetryCount.load(), 1);
    const auto headers = Headers(log.Sent());
    ASSERT_GE(headers.size(), 2u);
    EXPECT_EQ(headers[0], "00024000030080");
    EXPECT_EQ(headers[1], "00024000030080");
}

TEST(Tarm_SER, FileThatEndsEarlyFailsTheTransfer) {
    TRig rig;
    ASSERT_TRUE(rig.Start());
    const std::string path = rig.Dir / "fw.bin";
    WriteFileBytes(path, Pattern(65536, 12));
    // Cut short while it is sent: the first block has been read, the second would come up short.
    rig.Worker.OnFrame = [&](bool sent, const std::string&) {
        if (sent) {
            EXPECT_EQ(::truncate(path.c_str(), 200), 0);
        }
    };
    rig.Worker.FileName = path;
    std::int32_t size = 0;
    ASSERT_EQ(rig.Worker.StartRegionWrite(0, size), StartStarted);
    ASSERT_TRUE(AwaitIdle(rig.Worker));
    EXPECT_TRUE(rig.Worker.TransferFailed.load());
    EXPECT_EQ(rig.Worker.PortError, "Cannot read " + path + ": the file ended at 200 of 65536 bytes");
    EXPECT_EQ(rig.Worker.BlockCount.load(), 1);
    EXPECT_EQ(rig.Simulator.WriteFrames(), 1u);
}

TEST(Tarm_SER, BadDataChecksumAsksForTheSameAddressAgain) {
    TSimulatorOptions options;
    options.BadChecksumEvery = 2;
    TRig rig(options);
    ASSERT_TRUE(rig.Start());
    const std::string memory = Pattern(384, 7);
    rig.Simulator.WriteMemory(ConfigRegionFirst, std::vector<std::uint8_t>(memory.begin(), memory.end()));
    EXPECT_EQ(rig.Read(1, 384), memory);
    EXPECT_TRUE(rig.Worker.ErrorSeen.load());
    EXPECT_EQ(rig.Worker.BlockCount.load(), 3);
    const auto headers = Headers(rig.Log.Sent());
    EXPECT_EQ(headers.size(), 3u + static_cast<size_t>(rig.Worker.RetryCount.load()));
    ASSERT_GE(headers.size(), 4u);
    EXPECT_EQ(headers[0], "00024000030080");
    // The second reply is spoilt: its address is asked for again.
    EXPECT_EQ(headers[1], "00024080030080");
    EXPECT_EQ(headers[2], "00024080030080");
}

TEST(Tarm_SER, SplitAndNoisyRepliesAreTakenWhole) {
    TSimulatorOptions options;
    options.SplitReplies = true;
    options.NoisyReplies = true;
    // Halves further apart than a poll interval, as USB adapters deliver them: the first half of an
    // acknowledge must not be judged alone, or the block is sent again for ever.
    options.SplitGapMs = 40;
    TRig rig(options);
    ASSERT_TRUE(rig.Start());
    const std::string file = Pattern(3 * 128, 8);
    ASSERT_EQ(rig.Write(1, file), StartStarted);
    EXPECT_EQ(Bytes(rig.Simulator.ReadMemory(ConfigRegionFirst, 384)), file);
    EXPECT_EQ(rig.Read(1, 384), file);
    // No count of retries is asserted: a machine loaded enough to hold the second half back past the
    // settling time makes a resend, which is right; what must not happen is a resend for ever.
    EXPECT_EQ(rig.Worker.BlockCount.load(), 3);
    for (const auto& reply : rig.Log.Received()) {
        if (reply.size() > 8) { // a data reply: digits among blanks and line ends
            EXPECT_NE(reply.find("\r\n"), std::string::npos);
        }
    }
}

TEST(Tarm_SER, StartRegionReadDuringAWriteIsBusy) {
    TRig rig;
    ASSERT_TRUE(rig.Start());
    const std::string file = Pattern(8 * 128, 9);
    WriteFileBytes(rig.Dir / "image.bin", file);
    rig.Worker.FileName = rig.Dir / "image.bin";
    std::int32_t size = 0;
    ASSERT_EQ(rig.Worker.StartRegionWrite(1, size), StartStarted);
    // Every block waits a quiet poll interval for its acknowledge: the write is still on.
    rig.Worker.FileName = rig.Dir / "back.b79";
    EXPECT_EQ(rig.Worker.StartRegionRead(1, 0), StartBusy);
    std::int32_t again = 0;
    EXPECT_EQ(rig.Worker.StartRegionWrite(0, again), StartBusy);
    EXPECT_EQ(again, 0);
    EXPECT_FALSE(PathExists(rig.Dir / "back.b79"));
    ASSERT_TRUE(AwaitIdle(rig.Worker));
    EXPECT_EQ(Bytes(rig.Simulator.ReadMemory(ConfigRegionFirst, 1024)), file);
    EXPECT_EQ(rig.Worker.StartAddress.load(), ConfigRegionFirst);
    EXPECT_EQ(rig.Simulator.ReadCommands(), 0u);
}

TEST(Tarm_SER, ResetOnAnIdleWorkerSendsNothing) {
    TRig rig;
    ASSERT_TRUE(rig.Start());
    rig.Worker.RequestReset();
    ASSERT_TRUE(AwaitIdle(rig.Worker));
    EXPECT_EQ(rig.Log.Size(), 0u);
    EXPECT_EQ(rig.Simulator.WriteFrames(), 0u);
    EXPECT_EQ(rig.Simulator.ReadCommands(), 0u);
    EXPECT_EQ(rig.Simulator.MalformedFrames(), 0u);
}

TEST(Tarm_SER, FilesThatCannotBeOpenedOrCreated) {
    TRig rig;
    ASSERT_TRUE(rig.Start());
    std::int32_t size = 0;
    rig.Worker.FileName = rig.Dir / "missing.bin";
    EXPECT_EQ(rig.Worker.StartRegionWrite(0, size), StartFileError);
    rig.Worker.FileName = rig.Dir.Path();
    EXPECT_EQ(rig.Worker.StartRegionWrite(1, size), StartFileError) << "a folder";
    rig.Worker.FileName = rig.Dir / "no/such/folder/back.b79";
    EXPECT_EQ(rig.Worker.StartRegionRead(1, 29), StartFileError);
    rig.Worker.FileName = rig.Dir.Path();
    EXPECT_EQ(rig.Worker.StartRegionRead(0, 0), StartFileError) << "a folder";
    // Nodes that are not files have no length: refused like an empty file, and a FIFO without a
    // writer must not hang the start.
    ASSERT_EQ(::mkfifo((rig.Dir / "fifo").c_str(), 0600), 0);
    for (const std::string& node : {std::string("/dev/null"), rig.Dir / "fifo"}) {
        rig.Worker.FileName = node;
        EXPECT_EQ(rig.Worker.StartRegionWrite(0, size), StartFileSizeRefused) << node;
    }
    EXPECT_EQ(rig.Worker.State.load(), StateIdle);
    EXPECT_EQ(rig.Log.Size(), 0u);
    // The worker goes on as before.
    ASSERT_EQ(rig.Write(1, Pattern(10, 10)), StartStarted);
    EXPECT_EQ(rig.Simulator.WriteFrames(), 1u);
}

TEST(Tarm_SER, RefusesFilesThatDoNotFitTheirRegion) {
    struct {
        int Region;
        size_t Length;
        std::int32_t Result;
    } cases[] = {
        {1, 0, StartFileSizeRefused},     {0, 0, StartFileSizeRefused},   {0, 131073, StartFileSizeRefused},
        {1, 16385, StartFileSizeRefused}, {2, 100, StartFileSizeRefused},
    };
    TRig rig;
    ASSERT_TRUE(rig.Start());
    for (const auto& c : cases) {
        WriteFileBytes(rig.Dir / "f.bin", std::string(c.Length, 'x'));
        rig.Worker.FileName = rig.Dir / "f.bin";
        std::int32_t size = -1;
        EXPECT_EQ(rig.Worker.StartRegionWrite(c.Region, size), c.Result) << c.Region << " " << c.Length;
        if (c.Region < 2) {
            EXPECT_EQ(size, static_cast<std::int32_t>(c.Length));
        }
        EXPECT_EQ(rig.Worker.State.load(), StateIdle);
    }
    rig.Worker.FileName = rig.Dir / "back.b79";
    EXPECT_EQ(rig.Worker.StartRegionRead(5, 0), StartFileSizeRefused);
    EXPECT_EQ(rig.Log.Size(), 0u);
}

TEST(Tarm_SER, FileFillingItsRegionEndsAtTheLastAddress) {
    TRig rig;
    ASSERT_TRUE(rig.Start());
    const std::string file = Pattern(16384, 11);
    ASSERT_EQ(rig.Write(1, file), StartStarted);
    EXPECT_EQ(rig.Worker.BlockCount.load(), 128);
    EXPECT_EQ(Headers(rig.Log.Sent()).back(), "00027F80020080");
    EXPECT_EQ(Bytes(rig.Simulator.ReadMemory(ConfigRegionFirst, 16384)), file);
    EXPECT_EQ(rig.Simulator.WriteFrames(), 128u);
    EXPECT_EQ(rig.Simulator.MalformedFrames(), 0u);
    EXPECT_EQ(rig.Worker.Address.load(), ConfigRegionLast + 1);
}

TEST(Tarm_SER, ClosedPortEndsTheTransfer) {
    TRig rig;
    ASSERT_TRUE(rig.Start());
    const int files = OpenFileCount();
    WriteFileBytes(rig.Dir / "image.bin", Pattern(64 * 128, 12));
    rig.Worker.FileName = rig.Dir / "image.bin";
    std::int32_t size = 0;
    ASSERT_EQ(rig.Worker.StartRegionWrite(1, size), StartStarted);
    ASSERT_TRUE(Await([&] { return rig.Worker.BlockCount.load() >= 2; }));
    rig.Simulator.Stop();
    ASSERT_TRUE(AwaitIdle(rig.Worker));
    EXPECT_TRUE(rig.Worker.TransferFailed.load());
    EXPECT_TRUE(rig.Worker.ErrorSeen.load());
    EXPECT_LT(rig.Worker.BlockCount.load(), 64);
    const std::string error = rig.Worker.PortError;
    EXPECT_TRUE(error == "Read error (Error: 5) " || error == "Write error (Error: 5) ") << error;
    EXPECT_LE(OpenFileCount(), files) << "the file is closed";

    // A later operation fails the same way instead of hanging.
    rig.Worker.FileName = rig.Dir / "back.b79";
    ASSERT_EQ(rig.Worker.StartRegionRead(1, 0), StartStarted);
    ASSERT_TRUE(AwaitIdle(rig.Worker));
    EXPECT_TRUE(rig.Worker.TransferFailed.load());
    EXPECT_EQ(rig.Worker.BlockCount.load(), 0);
}

TEST(Tarm_SER, SilentDeviceKeepsTheFirstBlockUntilReset) {
    TSimulatorOptions options;
    options.SilenceEvery = 1; // no write frame is ever answered
    TRig rig(options);
    rig.Worker.Timings.AckIdlePolls = 3;
    ASSERT_TRUE(rig.Start());
    const int files = OpenFileCount();
    WriteFileBytes(rig.Dir / "image.bin", Pattern(300, 13));
    rig.Worker.FileName = rig.Dir / "image.bin";
    std::int32_t size = 0;
    ASSERT_EQ(rig.Worker.StartRegionWrite(1, size), StartStarted);
    ASSERT_TRUE(Await([&] { return rig.Worker.RetryCount.load() >= 3; }));
    EXPECT_EQ(rig.Worker.State.load(), StateRegionWrite);
    EXPECT_TRUE(rig.Worker.ErrorSeen.load());
    EXPECT_EQ(rig.Worker.BlockCount.load(), 0);
    EXPECT_EQ(rig.Worker.Address.load(), ConfigRegionFirst);
    rig.Worker.RequestReset();
    ASSERT_TRUE(AwaitIdle(rig.Worker));
    EXPECT_EQ(OpenFileCount(), files) << "the file is closed";
    const auto sent = rig.Log.Sent();
    ASSERT_GE(sent.size(), 3u);
    for (const auto& frame : sent)
        EXPECT_EQ(frame, sent[0]);
    EXPECT_EQ(sent[0].substr(0, 14), "00024000020080");
    EXPECT_FALSE(rig.Worker.TransferFailed.load());
}

TEST(Tarm_SER, DestructionEndsAWaitForAnAcknowledge) {
    TSimulatorOptions options;
    options.SilenceEvery = 1; // no write frame is ever answered
    TRig rig(options);
    TFrameLog log;
    auto worker = std::make_unique<Tarm_SER>();
    log.Attach(*worker);
    // A wait that would last for hours unless destruction cut it short.
    worker->Timings.AckIdlePolls = 1000000;
    ASSERT_TRUE(StartWorker(*worker, rig.Simulator.DevicePath()));
    WriteFileBytes(rig.Dir / "image.bin", Pattern(300, 14));
    worker->FileName = rig.Dir / "image.bin";
    std::int32_t size = 0;
    ASSERT_EQ(worker->StartRegionWrite(1, size), StartStarted);
    ASSERT_TRUE(Await([&] { return log.Size() >= 1; }));
    worker.reset();
    EXPECT_EQ(log.Size(), 1u);
}

TEST(Tarm_SER, PortThatCannotBeOpened) {
    TTempDir dir;
    Tarm_SER worker;
    worker.DeviceName = dir / "ttyNone";
    worker.Start();
    ASSERT_TRUE(Await([&] { return worker.OpenTried.load(); }));
    EXPECT_EQ(worker.PortOpened.load(), 0);
    WriteFileBytes(dir / "image.bin", "abc");
    worker.FileName = dir / "image.bin";
    std::int32_t size = 0;
    ASSERT_EQ(worker.StartRegionWrite(1, size), StartStarted);
    ASSERT_TRUE(AwaitIdle(worker));
    EXPECT_TRUE(worker.TransferFailed.load());
    EXPECT_EQ(worker.PortError, "Port not open, unable to complete operation (Error: -1) ");
}

TEST(Tarm_SER, ReadBackThatCannotBeStoredFailsTheTransfer) {
    // /dev/full takes the file open and refuses its bytes when they are flushed at the close.
    if (!PathExists("/dev/full"))
        GTEST_SKIP() << "this system has no /dev/full";
    TRig rig;
    ASSERT_TRUE(rig.Start());
    rig.Worker.FileName = "/dev/full";
    ASSERT_EQ(rig.Worker.StartRegionRead(1, 128), StartStarted);
    ASSERT_TRUE(AwaitIdle(rig.Worker));
    EXPECT_TRUE(rig.Worker.TransferFailed.load());
    EXPECT_TRUE(rig.Worker.ErrorSeen.load());
    EXPECT_EQ(rig.Worker.PortError, "Cannot write /dev/full: No space left on device");
}
