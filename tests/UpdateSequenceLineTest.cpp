#include "updater/UpdateSequence.h"

#include "tests/support/Bytes.h"
#include "tests/support/TempDir.h"
#include "tests/support/UpdateDevice.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

// The whole update through TComm on the simulator's pseudo-terminal.
TEST(UpdateSequenceLine, FirmwareAndProjectWithReadBack) {
    TTempDir dir;
    std::filesystem::create_directories(dir / "bin");
    const std::string firmware = Pattern(1000, 1), image = Pattern(29, 2);
    WriteFileBytes(dir / "fw.sim", firmware);
    WriteFileBytes(dir / "bin/bank.bin", image);
    TUpdateDevice device;
    TFakeDisplay display;
    TUpdateSequence sequence(
        ParseUpdateArguments({device.Path(), "FW", "FR", "PW", "PR", dir / "fw.sim", dir / "bin/"}), display,
        ShortTimings());
    sequence.OnWorkerCreated = [](Tarm_SER& worker) { ShortenLinkTimings(worker); };
    sequence.RunAutoUpdate();
    EXPECT_EQ(sequence.End, TSequenceEnd::Finished);
    EXPECT_EQ(sequence.Init, InitOk);
    EXPECT_EQ(sequence.Firmware, PhaseOk);
    EXPECT_EQ(sequence.Project, PhaseOk);
    EXPECT_TRUE(sequence.ResetRequested);
    EXPECT_EQ(device.Memory(FirmwareRegionFirst, 1000), firmware);
    EXPECT_EQ(device.Memory(ConfigRegionFirst, 29), image);
    EXPECT_TRUE(FilesEndingWith(dir.Path(), ".b79").empty());
    EXPECT_TRUE(FilesEndingWith(dir / "bin", ".b79").empty());
}
