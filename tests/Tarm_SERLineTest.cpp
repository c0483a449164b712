#include "updater/Tarm_SER.h"

#include "tests/support/Bytes.h"
#include "tests/support/OpenFiles.h"
#include "tests/support/TempDir.h"
#include "tests/support/WorkerLog.h"
#include "tools/simulator/Simulator.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <sys/stat.h>

// The worker on a real line: TComm on the simulator's pseudo-terminal, and what only a real port
// or file node shows (a hang-up, a device that is not there, files that are not files).

namespace {

struct TLineRig {
    explicit TLineRig(const TSimulatorOptions& options = {}) : Simulator(WithoutPacing(options)) {
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

    TTempDir Dir;
    TSimulator Simulator;
    TFrameLog Log;
    Tarm_SER Worker; // declared last: stopped before the simulator goes away
};

} // namespace

TEST(Tarm_SERLine, SplitAndNoisyImageAndItsReadBack) {
    TSimulatorOptions options;
    options.SplitReplies = true;
    options.NoisyReplies = true;
    options.SplitGapMs = 40;
    TLineRig rig(options);
    ASSERT_TRUE(rig.Start());
    const std::string image = Pattern(29, 4);
    WriteFileBytes(rig.Dir / "image.bin", image);
    std::int32_t size = 0;
    ASSERT_EQ(rig.Worker.StartRegionWrite(ConfigRegion, rig.Dir / "image.bin", size), TStartResult::Started);
    ASSERT_TRUE(AwaitIdle(rig.Worker));
    const std::string block = image + std::string(99, '\0');
    EXPECT_EQ(Bytes(rig.Simulator.ReadMemory(ConfigRegionFirst, 128)), block);
    ASSERT_EQ(rig.Worker.StartRegionRead(ConfigRegion, rig.Dir / "back.b79", 29), TStartResult::Started);
    ASSERT_TRUE(AwaitIdle(rig.Worker));
    EXPECT_EQ(ReadFileBytes(rig.Dir / "back.b79"), block);
    // No count of retries is asserted: a machine loaded enough to hold the second half back past the
    // settling time makes a resend, which is right; what must not happen is a resend for ever.
    EXPECT_EQ(rig.Worker.BlockCount.load(), 1);
    EXPECT_EQ(Headers(rig.Log.Sent()).back(), "00024000030080");
    EXPECT_EQ(rig.Simulator.MalformedFrames(), 0u);
}

TEST(Tarm_SERLine, ClosedPortEndsTheTransfer) {
    TLineRig rig;
    ASSERT_TRUE(rig.Start());
    const int files = OpenFileCount();
    WriteFileBytes(rig.Dir / "image.bin", Pattern(64 * 128, 12));
    std::int32_t size = 0;
    ASSERT_EQ(rig.Worker.StartRegionWrite(ConfigRegion, rig.Dir / "image.bin", size), TStartResult::Started);
    ASSERT_TRUE(Await([&] { return rig.Worker.BlockCount.load() >= 2; }));
    rig.Simulator.Stop();
    ASSERT_TRUE(AwaitIdle(rig.Worker));
    EXPECT_TRUE(rig.Worker.TransferFailed.load());
    EXPECT_TRUE(rig.Worker.ErrorSeen.load());
    EXPECT_LT(rig.Worker.BlockCount.load(), 64);
    const std::string error = rig.Worker.PortError;
    EXPECT_TRUE(error == "Read error (Error: 5) " || error == "Write error (Error: 5) ") << error;
    EXPECT_EQ(rig.Worker.PortErrorReason, rig.Simulator.DevicePath() + ": Input/output error");
    EXPECT_LE(OpenFileCount(), files) << "the file is closed";
}

TEST(Tarm_SERLine, PortThatCannotBeOpenedKeepsTheSystemsReason) {
    TTempDir dir;
    Tarm_SER worker;
    EXPECT_FALSE(StartWorker(worker, dir / "ttyNone"));
    EXPECT_EQ(worker.PortOpened.load(), 0);
    EXPECT_EQ(worker.OpenError, "Error accessing specified device (Error: 2) ");
    EXPECT_EQ(worker.OpenErrorCode, 2);
    EXPECT_EQ(worker.OpenErrorReason, "No such file or directory");
}

TEST(Tarm_SERLine, NodesThatAreNotFiles) {
    TLineRig rig;
    ASSERT_TRUE(rig.Start());
    // Nodes that are not files have no length: refused like an empty file, and a FIFO without a
    // writer must not hang the start.
    ASSERT_EQ(::mkfifo((rig.Dir / "fifo").c_str(), 0600), 0);
    std::int32_t size = 0;
    for (const std::string& node : {std::string("/dev/null"), rig.Dir / "fifo"})
        EXPECT_EQ(rig.Worker.StartRegionWrite(FirmwareRegion, node, size), TStartResult::FileSizeRefused)
            << node;
    EXPECT_EQ(rig.Log.Size(), 0u);

    // /dev/full takes the read-back open and refuses its bytes when they are flushed at the close.
    if (!PathExists("/dev/full"))
        GTEST_SKIP() << "this system has no /dev/full";
    ASSERT_EQ(rig.Worker.StartRegionRead(ConfigRegion, "/dev/full", 128), TStartResult::Started);
    ASSERT_TRUE(AwaitIdle(rig.Worker));
    EXPECT_TRUE(rig.Worker.TransferFailed.load());
    EXPECT_TRUE(rig.Worker.ErrorSeen.load());
    EXPECT_EQ(rig.Worker.PortError, "Cannot write /dev/full: No space left on device");
}
