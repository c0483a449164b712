#include "updater/Tarm_SER.h"

#include "tests/support/Await.h"
#include "tests/support/Bytes.h"
#include "tests/support/LineFrames.h"
#include "tests/support/OpenFiles.h"
#include "tests/support/ScriptedPort.h"
#include "tests/support/TempDir.h"
#include "tests/support/WorkerLog.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

// The worker against a converter in memory (its boot loader behind a scripted line) and against
// scripted answers the boot loader does not give.

namespace {

const std::string Device = "COM7";

// A worker on a scripted line, each test with its own folder.
struct TRig {
    explicit TRig(const TSimulatorOptions& options = {}) : Converter(options) {
        Log.Attach(Worker);
        Worker.PortFactory = Converter.Factory();
        // Replies are there at once: a short quiet poll judges them just as well.
        Worker.Timings.PollMs = 1;
    }
    bool Start() { return StartWorker(Worker, Device); }

    // Writes bytes as a file into the region and waits for the worker to be idle again.
    TStartResult Write(TRegionId region, const std::string& bytes, const std::string& name = "image.bin") {
        WriteFileBytes(Dir / name, bytes);
        std::int32_t size = -1;
        const TStartResult rc = Worker.StartRegionWrite(region, Dir / name, size);
        if (rc == TStartResult::Started) {
            EXPECT_EQ(size, static_cast<std::int32_t>(bytes.size()));
            EXPECT_TRUE(AwaitIdle(Worker));
        }
        return rc;
    }
    // Reads the region (length bytes, 0 the whole) into a file and returns its content.
    std::string Read(TRegionId region, std::int32_t length, const std::string& name = "back.b79") {
        EXPECT_EQ(Worker.StartRegionRead(region, Dir / name, length), TStartResult::Started);
        EXPECT_TRUE(AwaitIdle(Worker));
        return ReadFileBytes(Dir / name);
    }

    TTempDir Dir;
    TLoaderDevice Converter;
    TFrameLog Log;
    Tarm_SER Worker; // declared last: stopped before the converter goes away
};

// A worker on a line whose answers the test scripts.
struct TScriptedRig {
    explicit TScriptedRig(TScriptedLine::TAnswer answer) {
        Line->Answer = std::move(answer);
        Log.Attach(Worker);
        Worker.PortFactory = Line->Factory();
    }
    std::shared_ptr<TScriptedLine> Line = std::make_shared<TScriptedLine>();
    TTempDir Dir;
    TFrameLog Log;
    Tarm_SER Worker;
};

std::vector<TScriptedLine::TPiece> At(const std::string& bytes, int delayMs = 0) {
    return {{bytes, delayMs}};
}

// The 256 digits and the checksum of a block read back.
std::string DataReply(const std::string& block) {
    return ::DataReply(Bytes(block));
}

std::uint32_t FrameAddress(const std::string& frame) {
    return static_cast<std::uint32_t>(std::strtoul(frame.substr(2, 6).c_str(), nullptr, 16));
}

} // namespace

TEST(Tarm_SER, OpensTheLineAt115200With8N1AndDtr) {
    TRig rig;
    ASSERT_TRUE(rig.Start());
    const TPortSetup s = rig.Converter.Line->Setup();
    EXPECT_EQ(s.DeviceName, Device);
    EXPECT_EQ(s.BaudRate, br115200);
    EXPECT_EQ(s.Databits, da8);
    EXPECT_EQ(s.Parity, paNone);
    EXPECT_EQ(s.Stopbits, sb10);
    EXPECT_EQ(s.FlowControl, fcNone);
    EXPECT_TRUE(rig.Converter.Line->Dtr());
    EXPECT_TRUE(rig.Worker.OpenError.empty());
    EXPECT_TRUE(rig.Converter.Line->Frames().empty()) << "opening sends nothing";
}

TEST(Tarm_SER, PortThatCannotBeOpenedKeepsItsError) {
    TRig rig;
    rig.Converter.Line->OpenError = 2;
    EXPECT_FALSE(rig.Start());
    EXPECT_EQ(rig.Worker.PortOpened.load(), 0);
    EXPECT_EQ(rig.Worker.OpenError, "Error accessing specified device (Error: 2) ");
    EXPECT_EQ(rig.Worker.OpenErrorCode, 2);
    EXPECT_EQ(rig.Worker.OpenErrorReason, CommErrorText(2));
    // A transfer asked for all the same fails at once instead of hanging.
    WriteFileBytes(rig.Dir / "image.bin", "abc");
    std::int32_t size = 0;
    ASSERT_EQ(rig.Worker.StartRegionWrite(ConfigRegion, rig.Dir / "image.bin", size), TStartResult::Started);
    ASSERT_TRUE(AwaitIdle(rig.Worker));
    EXPECT_TRUE(rig.Worker.TransferFailed.load());
    EXPECT_EQ(rig.Worker.PortError, "Port not open, unable to complete operation (Error: -1) ");
    EXPECT_EQ(rig.Worker.PortErrorReason, Device + ": Port not open, unable to complete operation");
}

TEST(Tarm_SER, WritesFilesInWholeBlocks) {
    struct {
        size_t Length;
        int Blocks;
    } cases[] = {{128, 1}, {129, 2}};
    for (const auto& c : cases) {
        TRig rig;
        ASSERT_TRUE(rig.Start());
        rig.Converter.SetMemory(FirmwareRegionFirst, std::string(256, '\xFF'));
        const std::string file = Pattern(c.Length, 3);
        ASSERT_EQ(rig.Write(FirmwareRegion, file), TStartResult::Started);
        // The block after the file's end is zero-filled; memory past the last block is untouched.
        std::string expected = file + std::string(128 * c.Blocks - c.Length, '\0');
        expected += std::string(256 - expected.size(), '\xFF');
        EXPECT_EQ(rig.Converter.Memory(FirmwareRegionFirst, 256), expected) << c.Length;
        EXPECT_EQ(rig.Converter.WriteFrames(), static_cast<std::uint64_t>(c.Blocks));
        EXPECT_EQ(rig.Worker.BlockCount.load(), c.Blocks);
        EXPECT_EQ(rig.Worker.StartAddress.load(), FirmwareRegionFirst);
        EXPECT_EQ(rig.Worker.EndAddress.load(), FirmwareRegionFirst + c.Length - 1);
        EXPECT_EQ(rig.Worker.Address.load(), FirmwareRegionFirst + 128u * c.Blocks);
        EXPECT_FALSE(rig.Worker.ErrorSeen.load());
        EXPECT_EQ(rig.Worker.RetryCount.load(), 0);
        std::vector<std::string> expectedHeaders = {"00004000020080", "00004080020080"};
        expectedHeaders.resize(static_cast<size_t>(c.Blocks));
        EXPECT_EQ(Headers(rig.Log.Sent()), expectedHeaders);
        EXPECT_EQ(rig.Converter.Line->Frames(), rig.Log.Sent()) << "the worker reports what it writes";
    }
}

TEST(Tarm_SER, ConfigurationImageAndItsReadBack) {
    TRig rig;
    ASSERT_TRUE(rig.Start());
    const std::string image = Pattern(29, 4);
    ASSERT_EQ(rig.Write(ConfigRegion, image), TStartResult::Started);
    const std::string block = image + std::string(99, '\0');
    EXPECT_EQ(rig.Converter.Memory(ConfigRegionFirst, 128), block);
    const auto sent = rig.Log.Sent();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0], "00024000020080" + DataReply(block) + "\r");

    EXPECT_EQ(rig.Read(ConfigRegion, 29), block);
    EXPECT_EQ(rig.Converter.ReadCommands(), 1u);
    EXPECT_EQ(rig.Log.Sent().back(), "00024000030080\r");
    EXPECT_EQ(rig.Worker.EndAddress.load(), ConfigRegionFirst + 28);
    EXPECT_EQ(rig.Worker.BlockCount.load(), 1);
    EXPECT_FALSE(rig.Worker.ErrorSeen.load());
}

TEST(Tarm_SER, ReadsAWholeRegionBlockByBlock) {
    TRig rig;
    ASSERT_TRUE(rig.Start());
    const std::string memory = Pattern(16384, 5);
    rig.Converter.SetMemory(ConfigRegionFirst, memory);
    EXPECT_EQ(rig.Read(ConfigRegion, 0), memory);
    EXPECT_EQ(rig.Converter.ReadCommands(), 128u);
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

TEST(Tarm_SER, FileFillingItsRegionEndsAtTheLastAddress) {
    TRig rig;
    ASSERT_TRUE(rig.Start());
    const std::string file = Pattern(16384, 11);
    ASSERT_EQ(rig.Write(ConfigRegion, file), TStartResult::Started);
    EXPECT_EQ(rig.Worker.BlockCount.load(), 128);
    EXPECT_EQ(Headers(rig.Log.Sent()).back(), "00027F80020080");
    EXPECT_EQ(rig.Converter.Memory(ConfigRegionFirst, 16384), file);
    EXPECT_EQ(rig.Converter.WriteFrames(), 128u);
    EXPECT_EQ(rig.Converter.MalformedFrames(), 0u);
    EXPECT_EQ(rig.Worker.Address.load(), ConfigRegionLast + 1);
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
        ASSERT_EQ(rig.Write(ConfigRegion, file), TStartResult::Started);
        EXPECT_EQ(rig.Converter.Memory(ConfigRegionFirst, 512), file) << c.Fault;
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

TEST(Tarm_SER, SpoiltDataReplyAsksForTheSameAddressAgain) {
    // The second reply is spoilt: a wrong checksum, or a right one over a byte too few.
    TSimulatorOptions badChecksum, aByteShort;
    badChecksum.BadChecksumEvery = 2;
    aByteShort.ShortReplyEvery = 2;
    for (const TSimulatorOptions& options : {badChecksum, aByteShort}) {
        TRig rig(options);
        ASSERT_TRUE(rig.Start());
        const std::string memory = Pattern(384, 7);
        rig.Converter.SetMemory(ConfigRegionFirst, memory);
        EXPECT_EQ(rig.Read(ConfigRegion, 384), memory);
        EXPECT_TRUE(rig.Worker.ErrorSeen.load());
        EXPECT_EQ(rig.Worker.BlockCount.load(), 3);
        const auto headers = Headers(rig.Log.Sent());
        EXPECT_EQ(headers.size(), 3u + static_cast<size_t>(rig.Worker.RetryCount.load()));
        ASSERT_GE(headers.size(), 4u);
        EXPECT_EQ(headers[0], "00024000030080");
        EXPECT_EQ(headers[1], "00024080030080");
        EXPECT_EQ(headers[2], "00024080030080");
    }
}

TEST(Tarm_SER, SplitAndNoisyRepliesAreTakenWhole) {
    TSimulatorOptions options;
    options.SplitReplies = true;
    options.NoisyReplies = true;
    // Halves further apart than a poll interval, as USB adapters deliver them: the first half of an
    // acknowledge must not be judged alone, or the block is sent again for ever.
    options.SplitGapMs = 40;
    TRig rig(options);
    rig.Worker.Timings.PollMs = 10; // the gap lies within the settling polls of an unfinished answer
    ASSERT_TRUE(rig.Start());
    const std::string file = Pattern(3 * 128, 8);
    ASSERT_EQ(rig.Write(ConfigRegion, file), TStartResult::Started);
    EXPECT_EQ(rig.Converter.Memory(ConfigRegionFirst, 384), file);
    EXPECT_EQ(rig.Read(ConfigRegion, 384), file);
    EXPECT_EQ(rig.Worker.BlockCount.load(), 3);
    EXPECT_EQ(rig.Worker.RetryCount.load(), 0) << "the halves come at their times, without a load";
    for (const auto& reply : rig.Log.Received()) {
        if (reply.size() > 8) { // a data reply: digits among blanks and line ends
            EXPECT_NE(reply.find("\r\n"), std::string::npos);
        }
    }
}

TEST(Tarm_SER, AnswersAFramedAcknowledgeLongerThanItsBuffer) {
    // Each write frame is answered with an acknowledge trailed by 1000 bytes: the excess is read
    // and dropped, the block is taken as accepted.
    TScriptedRig rig([](int, const std::string&) { return At("\r\n>O.K." + std::string(1000, '*')); });
    ASSERT_TRUE(StartWorker(rig.Worker, Device));
    WriteFileBytes(rig.Dir / "f.bin", Pattern(200, 1));
    std::int32_t size = 0;
    ASSERT_EQ(rig.Worker.StartRegionWrite(ConfigRegion, rig.Dir / "f.bin", size), TStartResult::Started);
    ASSERT_TRUE(AwaitIdle(rig.Worker));
    EXPECT_EQ(rig.Worker.BlockCount.load(), 2);
    EXPECT_FALSE(rig.Worker.TransferFailed.load());
    for (const auto& reply : rig.Log.Received()) {
        EXPECT_LE(reply.size(), 256u);
        EXPECT_EQ(reply.substr(0, 7), "\r\n>O.K.");
    }
}

TEST(Tarm_SER, DataReplyLongerThanItsBufferIsNotGood) {
    // The first request is answered with 600 digits, more than both the receive buffer and the
    // block hold; the same address is asked again and its proper reply kept.
    const std::string memory = Pattern(256, 2);
    TScriptedRig rig([&](int index, const std::string& frame) {
        if (index == 0)
            return At(std::string(600, 'F'));
        return At(DataReply(memory.substr(FrameAddress(frame) - ConfigRegionFirst, 128)));
    });
    ASSERT_TRUE(StartWorker(rig.Worker, Device));
    ASSERT_EQ(rig.Worker.StartRegionRead(ConfigRegion, rig.Dir / "back.b79", 256), TStartResult::Started);
    ASSERT_TRUE(AwaitIdle(rig.Worker));
    EXPECT_EQ(ReadFileBytes(rig.Dir / "back.b79"), memory);
    EXPECT_TRUE(rig.Worker.ErrorSeen.load());
    EXPECT_GE(rig.Worker.RetryCount.load(), 1);
    const auto headers = Headers(rig.Log.Sent());
    ASSERT_GE(headers.size(), 3u);
    EXPECT_EQ(headers[0], "00024000030080");
    EXPECT_EQ(headers[1], "00024000030080");
    EXPECT_EQ(headers.back(), "00024080030080");
    for (const auto& reply : rig.Log.Received())
        EXPECT_LE(reply.size(), 321u);
}

TEST(Tarm_SER, BytesThatNeverPauseEndTheWaitAndTheBlockIsSentAgain) {
    std::shared_ptr<TScriptedLine> line;
    TScriptedRig rig([&line](int, const std::string&) {
        line->SetChatter(true);
        return std::vector<TScriptedLine::TPiece>{};
    });
    line = rig.Line;
    rig.Worker.Timings.PollMs = 20; // many times the gap between two bytes of chatter
    rig.Worker.Timings.AckPolls = 30;
    ASSERT_TRUE(StartWorker(rig.Worker, Device));
    WriteFileBytes(rig.Dir / "f.bin", Pattern(128, 11));
    std::int32_t size = 0;
    ASSERT_EQ(rig.Worker.StartRegionWrite(ConfigRegion, rig.Dir / "f.bin", size), TStartResult::Started);
    ASSERT_TRUE(Await([&] { return rig.Log.Sent().size() >= 3; }));
    const auto sent = rig.Log.Sent();
    EXPECT_EQ(sent[1], sent[0]);
    EXPECT_EQ(sent[2], sent[0]);
    EXPECT_EQ(rig.Worker.BlockCount.load(), 0);
    EXPECT_TRUE(rig.Worker.ErrorSeen.load());
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
        std::shared_ptr<TScriptedLine> line;
        TScriptedRig rig([&](int index, const std::string&) {
            line->SetChatter(index == 0 && c.Chatter);
            return At(index > 0 ? "00 O.K.\r" : c.First);
        });
        line = rig.Line;
        rig.Worker.Timings.AckSettlePolls = 1000000;
        rig.Worker.Timings.AckPolls = c.Chatter ? 30 : 1000000;
        ASSERT_TRUE(StartWorker(rig.Worker, Device));
        WriteFileBytes(rig.Dir / "f.bin", Pattern(128, 13));
        std::int32_t size = 0;
        ASSERT_EQ(rig.Worker.StartRegionWrite(ConfigRegion, rig.Dir / "f.bin", size), TStartResult::Started);
        EXPECT_TRUE(AwaitIdle(rig.Worker)) << c.Name;
        EXPECT_EQ(rig.Worker.BlockCount.load(), 1) << c.Name;
        EXPECT_EQ(rig.Worker.RetryCount.load(), c.Retries) << c.Name;
        EXPECT_EQ(rig.Log.Sent().size(), 1u + static_cast<size_t>(c.Retries)) << c.Name;
    }
}

TEST(Tarm_SER, DataReplyThatTricklesInIsWaitedForItsPollsOnly) {
    // The first reply comes a byte every 5 ms, about 1.3 s for the whole: longer than the ten polls
    // of 10 ms the worker waits for it, though no poll is silent. The address is asked again.
    const std::string memory = Pattern(128, 14);
    TScriptedRig rig([&](int index, const std::string&) {
        const std::string reply = DataReply(memory);
        if (index > 0)
            return At(reply);
        std::vector<TScriptedLine::TPiece> trickle;
        for (size_t i = 0; i < reply.size(); ++i)
            trickle.push_back({reply.substr(i, 1), static_cast<int>(5 * (i + 1))});
        return trickle;
    });
    rig.Worker.Timings.DataPolls = 10;
    ASSERT_TRUE(StartWorker(rig.Worker, Device));
    ASSERT_EQ(rig.Worker.StartRegionRead(ConfigRegion, rig.Dir / "back.b79", 128), TStartResult::Started);
    ASSERT_TRUE(AwaitIdle(rig.Worker));
    EXPECT_EQ(ReadFileBytes(rig.Dir / "back.b79"), memory);
    EXPECT_GE(rig.Worker.RetryCount.load(), 1);
    const auto headers = Headers(rig.Log.Sent());
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
        if (sent)
            std::filesystem::resize_file(path, 200);
    };
    std::int32_t size = 0;
    ASSERT_EQ(rig.Worker.StartRegionWrite(FirmwareRegion, path, size), TStartResult::Started);
    ASSERT_TRUE(AwaitIdle(rig.Worker));
    EXPECT_TRUE(rig.Worker.TransferFailed.load());
    EXPECT_EQ(rig.Worker.PortError, "Cannot read " + path + ": the file ended at 200 of 65536 bytes");
    EXPECT_EQ(rig.Worker.PortErrorReason, "") << "not the port's error";
    EXPECT_EQ(rig.Worker.BlockCount.load(), 1);
    EXPECT_EQ(rig.Converter.WriteFrames(), 1u);
}

TEST(Tarm_SER, StartRegionReadDuringAWriteIsBusy) {
    TSimulatorOptions options;
    options.LatencyMs = 20; // every acknowledge comes late: the write is still on
    TRig rig(options);
    ASSERT_TRUE(rig.Start());
    const std::string file = Pattern(8 * 128, 9);
    WriteFileBytes(rig.Dir / "image.bin", file);
    std::int32_t size = 0;
    ASSERT_EQ(rig.Worker.StartRegionWrite(ConfigRegion, rig.Dir / "image.bin", size), TStartResult::Started);
    EXPECT_EQ(rig.Worker.StartRegionRead(ConfigRegion, rig.Dir / "back.b79", 0), TStartResult::Busy);
    std::int32_t again = 0;
    EXPECT_EQ(rig.Worker.StartRegionWrite(FirmwareRegion, rig.Dir / "other.bin", again), TStartResult::Busy);
    EXPECT_EQ(again, 0);
    EXPECT_EQ(rig.Worker.FileName, rig.Dir / "image.bin") << "a refused start changes nothing";
    EXPECT_FALSE(PathExists(rig.Dir / "back.b79"));
    ASSERT_TRUE(AwaitIdle(rig.Worker));
    EXPECT_EQ(rig.Converter.Memory(ConfigRegionFirst, 1024), file);
    EXPECT_EQ(rig.Worker.StartAddress.load(), ConfigRegionFirst);
    EXPECT_EQ(rig.Converter.ReadCommands(), 0u);
}

TEST(Tarm_SER, ResetOnAnIdleWorkerSendsNothing) {
    TRig rig;
    ASSERT_TRUE(rig.Start());
    rig.Worker.RequestReset();
    ASSERT_TRUE(AwaitIdle(rig.Worker));
    EXPECT_EQ(rig.Log.Size(), 0u);
    EXPECT_TRUE(rig.Converter.Line->Frames().empty());
}

TEST(Tarm_SER, FilesThatCannotBeOpenedOrCreated) {
    TRig rig;
    ASSERT_TRUE(rig.Start());
    std::int32_t size = 0;
    EXPECT_EQ(rig.Worker.StartRegionWrite(FirmwareRegion, rig.Dir / "missing.bin", size),
              TStartResult::FileError);
    EXPECT_EQ(rig.Worker.StartRegionWrite(ConfigRegion, rig.Dir.Path(), size), TStartResult::FileError)
        << "a folder";
    EXPECT_EQ(rig.Worker.StartRegionRead(ConfigRegion, rig.Dir / "no/such/folder/back.b79", 29),
              TStartResult::FileError);
    EXPECT_EQ(rig.Worker.StartRegionRead(FirmwareRegion, rig.Dir.Path(), 0), TStartResult::FileError)
        << "a folder";
    EXPECT_EQ(rig.Worker.State.load(), StateIdle);
    EXPECT_EQ(rig.Log.Size(), 0u);
    // The worker goes on as before.
    ASSERT_EQ(rig.Write(ConfigRegion, Pattern(10, 10)), TStartResult::Started);
    EXPECT_EQ(rig.Converter.WriteFrames(), 1u);
}

TEST(Tarm_SER, RefusesFilesThatDoNotFitTheirRegion) {
    const TRegionId noSuchRegion = static_cast<TRegionId>(2);
    struct {
        TRegionId Region;
        size_t Length;
    } cases[] = {
        {ConfigRegion, 0},     {FirmwareRegion, 0}, {FirmwareRegion, 131073},
        {ConfigRegion, 16385}, {noSuchRegion, 100},
    };
    TRig rig;
    ASSERT_TRUE(rig.Start());
    for (const auto& c : cases) {
        WriteFileBytes(rig.Dir / "f.bin", std::string(c.Length, 'x'));
        std::int32_t size = -1;
        EXPECT_EQ(rig.Worker.StartRegionWrite(c.Region, rig.Dir / "f.bin", size),
                  TStartResult::FileSizeRefused)
            << static_cast<int>(c.Region) << " " << c.Length;
        EXPECT_EQ(size, c.Region == noSuchRegion ? -1 : static_cast<std::int32_t>(c.Length));
        EXPECT_EQ(rig.Worker.State.load(), StateIdle);
    }
    EXPECT_EQ(rig.Worker.StartRegionRead(static_cast<TRegionId>(5), rig.Dir / "back.b79", 0),
              TStartResult::FileSizeRefused);
    EXPECT_EQ(rig.Log.Size(), 0u);
}

TEST(Tarm_SER, UnpluggedPortEndsTheTransfer) {
    TRig rig;
    ASSERT_TRUE(rig.Start());
    const int files = OpenFileCount();
    WriteFileBytes(rig.Dir / "image.bin", Pattern(64 * 128, 12));
    rig.Worker.OnFrame = [&](bool sent, const std::string&) {
        if (sent && rig.Converter.WriteFrames() == 2)
            rig.Converter.Remove();
    };
    std::int32_t size = 0;
    ASSERT_EQ(rig.Worker.StartRegionWrite(ConfigRegion, rig.Dir / "image.bin", size), TStartResult::Started);
    ASSERT_TRUE(AwaitIdle(rig.Worker));
    EXPECT_TRUE(rig.Worker.TransferFailed.load());
    EXPECT_TRUE(rig.Worker.ErrorSeen.load());
    EXPECT_EQ(rig.Worker.BlockCount.load(), 2);
    // The window's text as the port raised it; beside it the device and the system's reason.
    EXPECT_EQ(rig.Worker.PortError, "Write error (Error: 5) ");
    EXPECT_EQ(rig.Worker.PortErrorReason, Device + ": " + CommErrorText(5));
    if (files >= 0) {
        EXPECT_LE(OpenFileCount(), files) << "the file is closed";
    }

    // A later operation fails the same way instead of hanging.
    ASSERT_EQ(rig.Worker.StartRegionRead(ConfigRegion, rig.Dir / "back.b79", 0), TStartResult::Started);
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
    std::int32_t size = 0;
    ASSERT_EQ(rig.Worker.StartRegionWrite(ConfigRegion, rig.Dir / "image.bin", size), TStartResult::Started);
    ASSERT_TRUE(Await([&] { return rig.Worker.RetryCount.load() >= 3; }));
    EXPECT_EQ(rig.Worker.State.load(), StateRegionWrite);
    EXPECT_TRUE(rig.Worker.ErrorSeen.load());
    EXPECT_EQ(rig.Worker.BlockCount.load(), 0);
    EXPECT_EQ(rig.Worker.Address.load(), ConfigRegionFirst);
    rig.Worker.RequestReset();
    ASSERT_TRUE(AwaitIdle(rig.Worker));
    if (files >= 0) {
        EXPECT_EQ(OpenFileCount(), files) << "the file is closed";
    }
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
    TLoaderDevice converter(options);
    TTempDir dir;
    TFrameLog log;
    auto worker = std::make_unique<Tarm_SER>();
    log.Attach(*worker);
    worker->PortFactory = converter.Factory();
    // A wait that would last for hours unless destruction cut it short.
    worker->Timings.AckIdlePolls = 1000000;
    ASSERT_TRUE(StartWorker(*worker, Device));
    WriteFileBytes(dir / "image.bin", Pattern(300, 14));
    std::int32_t size = 0;
    ASSERT_EQ(worker->StartRegionWrite(ConfigRegion, dir / "image.bin", size), TStartResult::Started);
    ASSERT_TRUE(Await([&] { return log.Size() >= 1; }));
    std::atomic<int> retries{0};
    worker->OnRetry = [&retries](bool, std::uint32_t, std::int32_t) { ++retries; };
    worker->Terminate();
    EXPECT_EQ(log.Size(), 1u);
    // The stopped wait is no failed block.
    EXPECT_EQ(retries.load(), 0);
    EXPECT_EQ(worker->RetryCount.load(), 0);
    worker.reset();
}
