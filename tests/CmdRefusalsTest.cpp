#include "tests/support/Bytes.h"
#include "tests/support/JsonFlat.h"
#include "tests/support/Process.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include <sys/stat.h>

// Command lines the tool refuses: each is refused before the port is opened, so the converter sees
// no frame, and every usage error follows one rule.

namespace {

// A folder that refuses new files even to root.
const std::string Unwritable = "/sys";

} // namespace

TEST(CmdRefusals, EachIsRefusedBeforeAnyFrameWithItsReason) {
    TTempDir dir;
    TSimulateProcess simulator(dir, {"--trace"});
    const std::string device = simulator.DevicePath();
    ASSERT_FALSE(device.empty());
    const std::string programs = dir / "programs", firmware = dir / "fw.sim", noImage = dir / "empty/";
    ::mkdir(programs.c_str(), 0755);
    ::mkdir((programs + "/PROJECTS").c_str(), 0755);
    ::mkdir((programs + "/PROJECTS/Taken").c_str(), 0755);
    ::mkdir((dir / "empty").c_str(), 0755);
    WriteFileBytes(firmware, Pattern(300, 3));
    const std::string scratchRefused = "cannot create scratch file " + Unwritable + "/ze50321-read-";
    const struct {
        std::vector<std::string> Args;
        bool UnwritableTemp; // TMPDIR where no scratch file can be made
        int Code;
        std::string Text; // in the errors, and in the document's error under --json
        bool WithHelp;    // the command's help follows the reason
    } cases[] = {
        {{"update", "--json", device, "NO", "NO", "PW", "NO"},
         false,
         4,
         "the seven arguments DEVICE FW FR PW PR FIRMWARE-FILE PROJECT-FOLDER/ are needed, 5 given",
         true},
        {{"update", "--give-up", "soon", device, "FW", "NO", "NO", "NO", firmware, noImage},
         false,
         4,
         "--give-up needs a number of seconds from 0 to 86400",
         true},
        {{"read", "--json", device, "project", dir / "f"}, true, 2, scratchRefused, false},
        {{"verify", "--json", device, firmware}, true, 2, scratchRefused, false},
        {{"params", "--json", "--device", device}, true, 1, scratchRefused, false},
        {{"project", "new", "--json", programs, "New", "--from-device", device},
         true,
         1,
         scratchRefused,
         false},
        {{"read", "--json", device, "firmware", Unwritable + "/ze.bin"},
         false,
         2,
         "cannot write " + Unwritable + "/ze.bin: Permission denied",
         false},
        {{"project", "new", "--json", programs, "Taken", "--from-device", device},
         false,
         1,
         "Name project not valid because directory already exists",
         false},
        {{"verify", "--json", device, firmware, noImage},
         false,
         3,
         "could not be compared: " + noImage + "bank.bin: no such file",
         false},
        {{"params", "--json", dir.Path(), "--set", "bogus=1"}, false, 64, "unknown parameter 'bogus'", true},
        {{"read", "--json", device, "bios", dir / "f"},
         false,
         64,
         "'bios' is neither firmware nor project",
         true},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = c.Args;
        args.insert(args.begin(), Tool());
        if (c.UnwritableTemp) // for the tool alone: the test's own folders are made in TMPDIR too
            args.insert(args.begin(), {"/usr/bin/env", "TMPDIR=" + Unwritable});
        const TRunResult r = RunProgram(args);
        const std::string what = c.Args[0] + " " + c.Text;
        EXPECT_EQ(r.Exit, c.Code) << what << "\n" << r.Out << r.Err;
        EXPECT_NE(r.Err.find(c.Text), std::string::npos) << what << "\n" << r.Err;
        EXPECT_EQ(r.Err.find("Usage: ze50321 " + c.Args[0]) != std::string::npos, c.WithHelp) << what;
        if (std::find(c.Args.begin(), c.Args.end(), "--json") != c.Args.end()) {
            const auto doc = TJsonFlat::Parse(r.Out);
            EXPECT_NE(doc.count("error") ? doc.at("error").find(c.Text) : std::string::npos,
                      std::string::npos)
                << what << "\n"
                << r.Out;
            EXPECT_EQ(doc.count("exit_code") ? doc.at("exit_code") : "", std::to_string(c.Code)) << what;
        }
    }
    const TRunResult help = RunProgram({Tool(), "params", "--device", "--help"});
    EXPECT_EQ(help.Exit, 0) << help.Err;
    EXPECT_EQ(help.Out.rfind("Usage: ze50321 params --device DEVICE", 0), 0u) << help.Out;
    EXPECT_FALSE(PathExists(programs + "/PROJECTS/New"));
    EXPECT_EQ(simulator.Trace(), "") << "no frame reached the converter";
}
