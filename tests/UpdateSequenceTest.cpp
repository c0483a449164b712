#include "updater/UpdateSequence.h"

#include "updater/ReadSequence.h"

#include "tests/support/Bytes.h"
#include "tests/support/ScriptedPort.h"
#include "tests/support/SequenceSupport.h"
#include "tests/support/TempDir.h"
#include "updater/StatusTable.h"

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

// The sequences with a real worker on a converter in memory (its boot loader behind a scripted line).

namespace {

const std::string Device = "COM7";

void MakeFolder(const std::string& path) {
    ASSERT_TRUE(std::filesystem::create_directory(path)) << path;
}

// A workspace like the configurator's: MASTER/vod50321.sim and a project bin folder with bank.bin.
struct TWorkspace {
    TTempDir Dir;
    std::string Master = Dir / "MASTER";
    std::string Bin = Dir / "PROJECTS/p 1/bin";
    std::string Firmware = Master + "/vod50321.sim";
    std::string FirmwareBytes = Pattern(1000, 1);
    std::string ImageBytes = Pattern(29, 2);

    TWorkspace() {
        MakeFolder(Master);
        MakeFolder(Dir / "PROJECTS");
        MakeFolder(Dir / "PROJECTS/p 1");
        MakeFolder(Bin);
        WriteFileBytes(Firmware, FirmwareBytes);
        WriteFileBytes(Bin + "/bank.bin", ImageBytes);
    }
    TUpdateArguments Args(const std::string& device, const char* fw, const char* fr, const char* pw,
                          const char* pr) const {
        return ParseUpdateArguments({device, fw, fr, pw, pr, Firmware, Bin + "/"});
    }
    bool NoReadBackLeft() const {
        return FilesEndingWith(Master, ".b79").empty() && FilesEndingWith(Bin, ".b79").empty();
    }
};

struct TRun {
    TFakeDisplay Display;
    std::unique_ptr<TUpdateSequence> Sequence;
    TUpdateSequence& Prepare(const TUpdateArguments& args, TLoaderDevice* device,
                             const TUpdateTimings& timings = ShortTimings()) {
        Sequence = std::make_unique<TUpdateSequence>(args, Display, timings);
        Sequence->OnWorkerCreated = [](Tarm_SER& worker) { ShortenLinkTimings(worker); };
        if (device)
            Sequence->PortFactory = device->Factory();
        return *Sequence;
    }
    void Go(const TUpdateArguments& args, TLoaderDevice* device) {
        Prepare(args, device);
        Sequence->RunAutoUpdate();
    }
    TLines Final() const { return Display.Shows.back(); }
};

} // namespace

TEST(UpdateSequence, FirmwareAndProjectWithReadBack) {
    TWorkspace ws;
    TLoaderDevice device;
    TRun run;
    run.Go(ws.Args(Device, "FW", "FR", "PW", "PR"), &device);

    EXPECT_EQ(run.Sequence->End, TSequenceEnd::Finished);
    const std::vector<TLines> expected = {{0, 1, 1}, {1, 1, 1}, {1, 3, 1}, {1, 4, 1},
                                          {1, 2, 1}, {1, 2, 3}, {1, 2, 4}, {1, 2, 2}};
    EXPECT_EQ(run.Display.Shows, expected);
    EXPECT_TRUE(run.Sequence->ResetRequested);
    EXPECT_EQ(device.Memory(FirmwareRegionFirst, 1000), ws.FirmwareBytes);
    // The last block is padded with zero bytes.
    EXPECT_EQ(device.Memory(FirmwareRegionFirst + 1000, 24), std::string(24, '\0'));
    EXPECT_EQ(device.Memory(ConfigRegionFirst, 29), ws.ImageBytes);
    EXPECT_EQ(device.Memory(ConfigRegionFirst + 29, 99), std::string(99, '\0'));
    EXPECT_TRUE(ws.NoReadBackLeft());
    ASSERT_EQ(run.Sequence->Transfers.size(), 4u);
    EXPECT_EQ(run.Sequence->Transfers[0].Blocks, 8);
    EXPECT_EQ(run.Sequence->Transfers[1].Bytes, 1024u);
    EXPECT_EQ(run.Sequence->Transfers[2].Blocks, 1);
    EXPECT_EQ(run.Sequence->Transfers[3].Bytes, 128u);
    // Every transfer leaves the bar full.
    EXPECT_EQ(run.Display.Progress.back(), 100);
}

TEST(UpdateSequence, FirmwareOnlyRequestsNoReset) {
    for (const char* read : {"FR", "NO"}) {
        TWorkspace ws;
        TLoaderDevice device;
        TRun run;
        run.Go(ws.Args(Device, "fw", read, "NO", "PR"), &device);
        EXPECT_EQ(run.Final(), (TLines{1, 2, 0})) << read;
        EXPECT_FALSE(run.Sequence->ResetRequested) << read;
        EXPECT_EQ(device.Memory(FirmwareRegionFirst, 1000), ws.FirmwareBytes) << read;
        EXPECT_EQ(device.Memory(ConfigRegionFirst, 29), device.ErasedBytes(29)) << read;
        EXPECT_TRUE(ws.NoReadBackLeft()) << read;
    }
}

TEST(UpdateSequence, MissingFirmwareSkipsTheProject) {
    TWorkspace ws;
    std::filesystem::remove(ws.Firmware);
    TLoaderDevice device;
    TRun run;
    run.Go(ws.Args(Device, "FW", "FR", "PW", "PR"), &device);
    EXPECT_EQ(run.Display.Shows, (std::vector<TLines>{{0, 1, 1}, {1, 1, 1}, {1, 7, 1}}));
    EXPECT_TRUE(run.Sequence->ResetRequested);
    EXPECT_TRUE(run.Sequence->Transfers.empty());
    EXPECT_EQ(device.Memory(ConfigRegionFirst, 29), device.ErasedBytes(29));
}

TEST(UpdateSequence, MissingImageRequestsReset) {
    TWorkspace ws;
    std::filesystem::remove(ws.Bin + "/bank.bin");
    TLoaderDevice device;
    TRun run;
    run.Go(ws.Args(Device, "FW", "NO", "PW", "PR"), &device);
    EXPECT_EQ(run.Final(), (TLines{1, 2, 7}));
    EXPECT_TRUE(run.Sequence->ResetRequested);
    EXPECT_EQ(device.Memory(FirmwareRegionFirst, 1000), ws.FirmwareBytes);
}

TEST(UpdateSequence, ProjectFolderWithoutSeparatorFindsNoImage) {
    TWorkspace ws;
    TLoaderDevice device;
    TRun run;
    run.Go(ParseUpdateArguments({Device, "NO", "NO", "PW", "PR", ws.Firmware, ws.Bin}), &device);
    EXPECT_EQ(run.Display.Shows, (std::vector<TLines>{{0, 0, 1}, {1, 0, 1}, {1, 0, 7}}));
    EXPECT_TRUE(run.Sequence->ResetRequested);
}

TEST(UpdateSequence, DeviceThatDoesNotOpenIsNotFound) {
    TWorkspace ws;
    TRun run;
    const auto started = std::chrono::steady_clock::now();
    run.Go(ws.Args(ws.Dir / "no-such-device", "FW", "FR", "PW", "PR"), nullptr);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    EXPECT_EQ(run.Sequence->End, TSequenceEnd::DeviceNotFound);
    EXPECT_EQ(run.Display.Shows, (std::vector<TLines>{{0, 1, 1}, {2, 1, 1}}));
    EXPECT_FALSE(run.Sequence->ResetRequested);
    EXPECT_EQ(run.Display.Pauses, 0);
    RecordProperty("InitWaitSeconds", std::to_string(seconds));
}

TEST(UpdateSequence, FirstFrameWaitsTheWholeInitTimeAfterTheOpen) {
    TWorkspace ws;
    TLoaderDevice device;
    TRun run;
    TUpdateTimings timings = ShortTimings();
    timings.InitEndsOnceOpen = false;
    timings.InitWaitMs = 300;
    run.Prepare(ws.Args(Device, "NO", "NO", "PW", "NO"), &device, timings);
    std::chrono::steady_clock::time_point started, firstFrame;
    run.Sequence->OnWorkerCreated = [&](Tarm_SER& worker) {
        started = std::chrono::steady_clock::now();
        worker.OnFrame = [&](bool sent, const std::string&) {
            if (sent && firstFrame == std::chrono::steady_clock::time_point{})
                firstFrame = std::chrono::steady_clock::now();
        };
    };
    run.Sequence->RunAutoUpdate();
    EXPECT_EQ(run.Final(), (TLines{1, 0, 2}));
    // The converter gets its time after DTR rises even though the port opened at once.
    EXPECT_GE(firstFrame - started, std::chrono::milliseconds(timings.InitWaitMs));
}

TEST(UpdateSequence, CorruptedFirmwareIsCaughtByTheReadBack) {
    TWorkspace ws;
    TSimulatorOptions corrupting = TSimulatorOptions();
    corrupting.CorruptEvery = 1;
    TLoaderDevice device(corrupting);
    TRun run;
    run.Go(ws.Args(Device, "FW", "FR", "PW", "PR"), &device);
    EXPECT_EQ(run.Display.Shows,
              (std::vector<TLines>{{0, 1, 1}, {1, 1, 1}, {1, 3, 1}, {1, 4, 1}, {1, 6, 1}}));
    EXPECT_TRUE(run.Sequence->ResetRequested);
    EXPECT_EQ(device.Memory(ConfigRegionFirst, 29), device.ErasedBytes(29));
    EXPECT_TRUE(ws.NoReadBackLeft());
}

TEST(UpdateSequence, CorruptedImageIsCaughtByTheReadBack) {
    TWorkspace ws;
    // Long enough to hold the byte that the converter alters in a stored block.
    WriteFileBytes(ws.Bin + "/bank.bin", Pattern(200, 4));
    TSimulatorOptions corrupting = TSimulatorOptions();
    corrupting.CorruptEvery = 1;
    TLoaderDevice device(corrupting);
    TRun run;
    run.Go(ws.Args(Device, "NO", "FR", "PW", "PR"), &device);
    EXPECT_EQ(run.Display.Shows,
              (std::vector<TLines>{{0, 0, 1}, {1, 0, 1}, {1, 0, 3}, {1, 0, 4}, {1, 0, 6}}));
    EXPECT_FALSE(run.Sequence->ResetRequested);
    EXPECT_TRUE(ws.NoReadBackLeft());
}

TEST(UpdateSequence, EmptyFirmwareIsAnErrorWithoutReadBack) {
    TWorkspace ws;
    WriteFileBytes(ws.Firmware, "");
    TLoaderDevice device;
    TRun run;
    run.Go(ws.Args(Device, "FW", "FR", "PW", "PR"), &device);
    EXPECT_EQ(run.Display.Shows, (std::vector<TLines>{{0, 1, 1}, {1, 1, 1}, {1, 5, 1}}));
    EXPECT_TRUE(run.Sequence->ResetRequested);
    EXPECT_TRUE(run.Sequence->Transfers.empty());
    EXPECT_TRUE(ws.NoReadBackLeft());
}

TEST(UpdateSequence, ReadBackGoesBesideTheFirmwareAndIsRemoved) {
    TWorkspace ws;
    TLoaderDevice device;
    TRun run;
    TUpdateSequence& sequence = run.Prepare(ws.Args(Device, "FW", "FR", "PW", "PR"), &device);
    sequence.Stamp = [] { return std::string("20243597345"); };
    sequence.RunAutoUpdate();
    EXPECT_EQ(run.Final(), (TLines{1, 2, 2}));
    EXPECT_TRUE(ws.NoReadBackLeft());
}

TEST(UpdateSequence, ReadBackNameInUseByAnotherUpdateIsLeftAlone) {
    TWorkspace ws;
    // Another update of the same firmware file reading back in the same millisecond: its file is
    // neither written into nor removed, and this update reads back under a later stamp.
    WriteFileBytes(ws.Master + "/USB20243597345.b79", "another update's");
    WriteFileBytes(ws.Bin + "/ParGen_20243597345.b79", "another update's");
    TLoaderDevice device;
    TRun run;
    TUpdateSequence& sequence = run.Prepare(ws.Args(Device, "FW", "FR", "PW", "PR"), &device);
    sequence.Stamp = [] { return std::string("20243597345"); };
    sequence.RunAutoUpdate();
    EXPECT_EQ(run.Final(), (TLines{1, 2, 2}));
    EXPECT_EQ(ReadFileBytes(ws.Master + "/USB20243597345.b79"), "another update's");
    EXPECT_EQ(ReadFileBytes(ws.Bin + "/ParGen_20243597345.b79"), "another update's");
    EXPECT_EQ(FilesEndingWith(ws.Master, ".b79"), std::vector<std::string>{"USB20243597345.b79"});
}

TEST(UpdateSequence, ClosingDuringATransferThatNeverEndsGivesUp) {
    TWorkspace ws;
    TSimulatorOptions silent = TSimulatorOptions();
    silent.SilentAfter = 1; // the first block is stored, then nothing is answered
    TLoaderDevice device(silent);
    TRun run;
    const auto* display = &run.Display;
    // Give up once the write has been seen running for a while.
    run.Display.GiveUp = [display] {
        return !display->Shows.empty() && display->Shows.back()[1] == 3 && display->Turns > 50;
    };
    run.Go(ws.Args(Device, "FW", "FR", "PW", "PR"), &device);
    EXPECT_EQ(run.Sequence->End, TSequenceEnd::Abandoned);
    EXPECT_EQ(run.Final(), (TLines{1, 3, 1}));
    EXPECT_EQ(run.Sequence->Worker(), nullptr);
    EXPECT_FALSE(run.Sequence->ResetRequested);
    EXPECT_FALSE(run.Display.Ticking);
}

TEST(UpdateSequence, GivingUpInTheInitWaitOrAPauseStartsNoTransfer) {
    TWorkspace ws;
    const struct {
        const char* Name;
        int PausesBeforeGivingUp; // -1: from the start, during the init wait
        std::uint64_t WriteFrames;
        TLines Final; // no line shows a transfer that was not started
    } cases[] = {{"init wait", -1, 0, {0, 1, 1}},
                 {"pause after INIT", 0, 0, {1, 1, 1}},
                 {"pause after the firmware write", 1, 8, {1, 3, 1}}};
    for (const auto& c : cases) {
        TLoaderDevice device;
        TRun run;
        const auto* display = &run.Display;
        run.Display.GiveUp = [display, &c] { return display->Pauses > c.PausesBeforeGivingUp; };
        run.Go(ws.Args(Device, "FW", "FR", "PW", "PR"), &device);
        EXPECT_EQ(run.Sequence->End, TSequenceEnd::Abandoned) << c.Name;
        EXPECT_EQ(run.Final(), c.Final) << c.Name;
        EXPECT_EQ(device.WriteFrames(), c.WriteFrames) << c.Name;
        EXPECT_EQ(device.ReadCommands(), 0u) << c.Name;
        EXPECT_EQ(run.Sequence->Worker(), nullptr) << c.Name;
    }
    TLoaderDevice device;
    TFakeDisplay display;
    display.GiveUp = [] { return true; };
    TReadSequence sequence(Device, display, ShortTimings());
    sequence.PortFactory = device.Factory();
    EXPECT_FALSE(sequence.Open({ConfigRegion}));
    EXPECT_FALSE(sequence.Read(ConfigRegion, 0, ws.Dir / "image"));
    EXPECT_EQ(sequence.End, TSequenceEnd::Abandoned);
    EXPECT_NE(sequence.Project, PhaseReading);
    EXPECT_EQ(device.ReadCommands(), 0u);
}

TEST(UpdateSequence, PortErrorDuringTheWriteIsAnError) {
    TWorkspace ws;
    WriteFileBytes(ws.Firmware, Pattern(20000, 5));
    TLoaderDevice device;
    TRun run;
    TUpdateSequence& sequence = run.Prepare(ws.Args(Device, "FW", "FR", "PW", "PR"), &device);
    run.Display.GiveUp = [&] {
        if (sequence.Worker() && sequence.Firmware == PhaseWriting && sequence.Worker()->BlockCount >= 3)
            device.Remove();
        return false;
    };
    sequence.RunAutoUpdate();
    EXPECT_EQ(run.Display.Shows, (std::vector<TLines>{{0, 1, 1}, {1, 1, 1}, {1, 3, 1}, {1, 5, 1}}));
    EXPECT_TRUE(sequence.ResetRequested);
    ASSERT_EQ(sequence.Transfers.size(), 1u);
    EXPECT_TRUE(sequence.Transfers[0].Failed);
    // Taken away at any moment: the worker was writing or waiting for an acknowledge.
    const TTransferRecord& t = sequence.Transfers[0];
    EXPECT_TRUE(t.PortError == "Read error (Error: 5) " || t.PortError == "Write error (Error: 5) ")
        << t.PortError;
    EXPECT_EQ(t.PortErrorReason, Device + ": " + CommErrorText(5));
    EXPECT_EQ(PortFailureText(t), t.PortError + "- " + t.PortErrorReason);
    EXPECT_TRUE(ws.NoReadBackLeft());
}

TEST(UpdateSequence, ProgressFigures) {
    const struct {
        std::uint32_t Address, Start, End;
        int Percent;
    } cases[] = {
        {0x4000 + 384, 0x4000, 0x4000 + 1000, 38},
        {0x4000 + 1024, 0x4000, 0x4000 + 1000, 100},
        {0x4000 + 999, 0x4000, 0x4000 + 1000, 99},
        {0x4000 + 1000, 0x4000, 0x4000 + 1000, 100},
        {0x4000, 0x4000, 0x23FFF, 0},
        {0x4080, 0x4000, 0x4000, 0},
        {0x4000 + 128, 0x4000, 0x23FFF, 0}, // 128 of 131071: 0.09 truncated
        {0x4000 + 1311, 0x4000, 0x23FFF, 1},
        {0x3F80, 0x4000, 0x4000 + 1000, 100}, // below the start: a huge unsigned difference
        {0xFFFFFFFF, 0, 0xFFFFFFFE, 100},
        {0x7FFFFFFF, 0, 0xFFFFFFFF, 49},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ProgressPercent(c.Address, c.Start, c.End), c.Percent)
            << std::hex << c.Address << " " << c.Start << " " << c.End;
}

TEST(ReadSequence, ReadsWithoutWritingAndLeavesNoFileOfAReadThatDidNotEndWell) {
    TTempDir dir;
    TLoaderDevice device;
    device.SetMemory(0x4000, Pattern(1024, 7));
    TFakeDisplay display;
    TReadSequence sequence(Device, display, ShortTimings());
    sequence.OnWorkerCreated = [](Tarm_SER& worker) { ShortenLinkTimings(worker); };
    sequence.PortFactory = device.Factory();
    ASSERT_TRUE(sequence.Open({FirmwareRegion, ConfigRegion}));
    EXPECT_TRUE(sequence.Read(FirmwareRegion, 1000, dir / "fw"));
    EXPECT_EQ(ReadFileBytes(dir / "fw"), Pattern(1024, 7));
    // A length beyond its region is refused before a frame is sent.
    EXPECT_FALSE(sequence.Read(ConfigRegion, 0x4001, dir / "image"));
    EXPECT_FALSE(PathExists(dir / "image"));
    sequence.Finish(false);
    EXPECT_EQ(display.Shows, (std::vector<TLines>{{0, 1, 1}, {1, 1, 1}, {1, 4, 1}, {1, 4, 5}}));
    EXPECT_FALSE(sequence.ResetRequested);
    ASSERT_EQ(sequence.Transfers.size(), 1u);
    EXPECT_EQ(sequence.Transfers[0].Blocks, 8);
    EXPECT_EQ(device.WriteFrames(), 0u);

    TReadSequence absent(dir / "no-such-device", display, ShortTimings());
    EXPECT_FALSE(absent.Open({ConfigRegion}));
    EXPECT_EQ(absent.Init, InitDeviceNotFound);
    absent.Finish(true);
    EXPECT_FALSE(absent.ResetRequested);
}

TEST(ReadSequence, ASilentConverterGivenUpOrAbandoned) {
    for (const bool userGivesUp : {false, true}) {
        TTempDir dir;
        TSimulatorOptions options = TSimulatorOptions();
        options.SilentAfter = 3;
        TLoaderDevice device(options);
        TFakeDisplay display;
        TUpdateTimings timings = ShortTimings();
        timings.GiveUpMs = userGivesUp ? 0 : 300;
        TReadSequence sequence(Device, display, timings);
        sequence.PortFactory = device.Factory();
        std::atomic<int> retries{0};
        sequence.OnWorkerCreated = [&retries](Tarm_SER& worker) {
            ShortenLinkTimings(worker);
            worker.OnRetry = [&retries](bool, std::uint32_t, std::int32_t) { ++retries; };
        };
        display.GiveUp = [&] { return userGivesUp && retries > 0; };
        ASSERT_TRUE(sequence.Open({FirmwareRegion}));
        EXPECT_FALSE(sequence.Read(FirmwareRegion, 0, dir / "fw"));
        EXPECT_FALSE(PathExists(dir / "fw")) << userGivesUp;
        if (userGivesUp) {
            EXPECT_EQ(sequence.End, TSequenceEnd::Abandoned);
            EXPECT_EQ(sequence.Worker(), nullptr);
        } else {
            EXPECT_EQ(sequence.Firmware, PhaseError);
            ASSERT_EQ(sequence.Transfers.size(), 1u);
            EXPECT_TRUE(sequence.Transfers[0].GivenUp);
            EXPECT_EQ(sequence.Transfers[0].Blocks, 3);
            sequence.Finish(true);
            EXPECT_TRUE(sequence.ResetRequested);
        }
    }
}
