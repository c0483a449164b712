#include "tests/support/Bytes.h"
#include "tests/support/JsonFlat.h"
#include "tests/support/Process.h"
#include "tests/support/TempDir.h"
#include "tests/support/UpdateDevice.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <string>
#include <vector>

#include <sys/stat.h>

namespace {

constexpr std::size_t ConfigOffset = 0x24000 - 0x4000;

std::vector<std::string> ToolArgs(std::vector<std::string> args) {
    args.insert(args.begin(), Tool());
    return args;
}

TRunResult RunTool(std::vector<std::string> args) {
    return RunProgram(ToolArgs(std::move(args)));
}

// Each ">" line of a trace is a read command (15 bytes, command 03), never a write frame.
void ExpectOnlyReadCommands(const std::string& trace) {
    std::size_t commands = 0;
    for (std::size_t at = trace.find("\n> "); at != std::string::npos; at = trace.find("\n> ", at + 1)) {
        const std::string line = trace.substr(at + 3, trace.find('\n', at + 1) - at - 3);
        EXPECT_EQ(line.size(), 16u) << line; // the carriage return is shown as \r
        EXPECT_EQ(line.substr(8, 2), "03") << line;
        ++commands;
    }
    EXPECT_GT(commands, 0u) << trace;
}

// Each "name=value" leaf of the list is in the document with that value; leaves are separated by
// blanks outside double quotes.
void ExpectLeaves(const std::string& document, const std::string& leaves) {
    const auto doc = TJsonFlat::Parse(document);
    std::vector<std::string> split(1);
    bool quoted = false;
    for (const char c : leaves) {
        if (c == ' ' && !quoted) {
            split.emplace_back();
            continue;
        }
        quoted = quoted != (c == '"');
        split.back() += c;
    }
    for (const auto& leaf : split) {
        const std::size_t eq = leaf.find('=');
        EXPECT_EQ(doc.count(leaf.substr(0, eq)) ? doc.at(leaf.substr(0, eq)) : "(absent)",
                  leaf.substr(eq + 1))
            << leaf << "\n"
            << document;
    }
}

// TMPDIR for the programs this test starts: where the tool keeps what it reads until it is saved.
class TScratchFolder {
public:
    explicit TScratchFolder(const TTempDir& dir) : Path(dir / "tmp") {
        ::mkdir(Path.c_str(), 0755);
        ::setenv("TMPDIR", Path.c_str(), 1);
    }
    ~TScratchFolder() { ::unsetenv("TMPDIR"); }
    std::vector<std::string> Left() const { return FilesEndingWith(Path, ".b79"); }
    std::string Path;
};

} // namespace

TEST(CmdRead, ReadsByteForByteWhatTheConverterHolds) {
    TTempDir dir;
    const std::string memory = SimulatorMemory(Pattern(0x20000, 1), Pattern(0x4000, 2));
    TSimulateProcess simulator(dir, memory, {});
    const std::string device = simulator.DevicePath();
    ASSERT_FALSE(device.empty());
    const struct {
        std::string File;
        std::vector<std::string> Args; // before FILE, then after it
        std::vector<std::string> After;
        std::string Expected;
        const char* Json; // expected leaves of the document
    } cases[] = {
        {dir / "fw.bin", {"read", device, "firmware"}, {}, memory.substr(0, 0x20000), nullptr},
        {dir / "all.bin",
         {"read", device, "project"},
         {"--blocks", "128"},
         memory.substr(ConfigOffset),
         nullptr},
        {dir / "first.bin",
         {"read", "--json", "--trace", device, "project"},
         {},
         memory.substr(ConfigOffset, 128),
         "first_address=\"0x024000\" last_address=\"0x02407F\" blocks=1 saved=true reset_requested=false"},
        {dir / "two.bin",
         {"read", "--reset", "--json", device, "firmware"},
         {"--blocks", "2"},
         memory.substr(0, 256),
         "lines.firmware=\"OK\" transfers[0].blocks=2 reset_requested=true exit_code=0"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = c.Args;
        args.push_back(c.File);
        args.insert(args.end(), c.After.begin(), c.After.end());
        const TRunResult r = RunTool(args);
        EXPECT_EQ(r.Exit, 0) << c.File << "\n" << r.Out << r.Err;
        EXPECT_TRUE(ReadFileBytes(c.File) == c.Expected) << c.File;
        if (!c.Json)
            continue;
        ExpectLeaves(r.Out, c.Json);
        if (c.Args[2] == "--trace")
            ExpectOnlyReadCommands(r.Err);
    }
}

TEST(CmdRead, AReadThatDoesNotEndWellLeavesNoNewFile) {
    const struct {
        const char* Name;
        bool OldFile;
        std::string GiveUp;
        int Signal;
        int Code;
    } cases[] = {{"given up, old file kept", true, "2", 0, 2},
                 {"SIGTERM, no file made", false, "0", SIGTERM, 143}};
    for (const auto& c : cases) {
        TTempDir dir;
        const TScratchFolder scratch(dir);
        // Five blocks are answered, then nothing any more.
        TSimulateProcess simulator(dir, SimulatorMemory(Pattern(0x20000, 4), ""), {"--silent-after", "5"});
        const std::string device = simulator.DevicePath();
        ASSERT_FALSE(device.empty());
        const std::string file = dir / "fw.bin";
        if (c.OldFile)
            WriteFileBytes(file, "old");
        TProcess read({Tool(), "read", "--give-up", c.GiveUp, device, "firmware", file}, dir / "read.out");
        ASSERT_TRUE(read.AwaitOutput("read of 0x004280 failed, asked again (retry 1)\n")) << read.Text();
        read.Signal(c.Signal);
        EXPECT_EQ(read.Wait(), c.Code) << c.Name << "\n" << read.Text();
        if (!c.Signal) {
            EXPECT_NE(read.Text().find("FIRMWARE : Error\n"), std::string::npos) << read.Text();
            EXPECT_NE(read.Text().find("5 blocks, "), std::string::npos) << read.Text();
            EXPECT_NE(read.Text().find(", given up: no block read for 2 s\n"), std::string::npos)
                << read.Text();
        }
        EXPECT_EQ(PathExists(file), c.OldFile) << c.Name;
        if (c.OldFile) {
            EXPECT_EQ(ReadFileBytes(file), "old") << c.Name;
        }
        EXPECT_EQ(scratch.Left(), std::vector<std::string>{}) << c.Name;
    }
}

TEST(CmdRead, AFaultyConverterIsToldAsSuch) {
    const std::string memory = SimulatorMemory(Pattern(0x20000, 9), "");
    const struct {
        std::vector<std::string> Args; // "DEV" stands for the simulator's device
        std::vector<std::string> Faults;
        int Code;
        std::string Text; // in the errors
        std::string Json; // leaves of the document
    } cases[] = {
        // Replies a byte short are asked for again, and counted as retries.
        {{"read", "--json", "DEV", "firmware", "f", "--blocks", "4"},
         {"--short-reply-every", "2"},
         0,
         "  firmware read: 4 blocks, 3 retries, 512 bytes",
         "saved=true transfers[0].retries=3 transfers[0].failed=false error=\"\""},
        {{"read", "--json", "--give-up", "1", "DEV", "firmware", "f"},
         {"--silent-after", "2"},
         2,
         "FIRMWARE : Error\n",
         "saved=false transfers[0].given_up=true error=\"given up: no block read for 1 s\""},
        {{"verify", "--json", "--give-up", "1", "DEV", "fw.sim"},
         {"--silent-after", "2"},
         2,
         "The firmware could not be compared: given up: no block read for 1 s\n",
         "firmware.same=null error=\"The firmware could not be compared: given up: no block read for 1 s\""},
        {{"read", "--json", "/dev/ze50321-no-such-device", "project", "f"},
         {},
         1,
         "  exists:    no\n",
         "saved=false error=\"device not found: /dev/ze50321-no-such-device does not exist\""},
    };
    for (const auto& c : cases) {
        TTempDir dir;
        WriteFileBytes(dir / "fw.sim", memory.substr(0, 1000));
        TSimulateProcess simulator(dir, memory, c.Faults);
        const std::string device = simulator.DevicePath();
        ASSERT_FALSE(device.empty());
        std::vector<std::string> args;
        for (const auto& a : c.Args)
            args.push_back(a == "DEV" ? device : a == "f" || a == "fw.sim" ? dir / a : a);
        const TRunResult r = RunTool(args);
        const std::string what = c.Args[0] + " " + c.Text;
        EXPECT_EQ(r.Exit, c.Code) << what << "\n" << r.Err;
        EXPECT_NE(r.Err.find(c.Text), std::string::npos) << what << "\n" << r.Err;
        ExpectLeaves(r.Out, c.Json);
        if (c.Code == 0) {
            EXPECT_TRUE(ReadFileBytes(dir / "f") == memory.substr(0, 512));
        }
    }
}

TEST(CmdRead, ACloseSignalAfterTheSaveKeepsTheResult) {
    TTempDir dir;
    const std::string memory = SimulatorMemory("", Pattern(128, 4));
    TSimulateProcess simulator(dir, memory, {});
    const std::string device = simulator.DevicePath();
    ASSERT_FALSE(device.empty());
    // The reset request comes after a pause, by which time FILE is saved whole.
    TProcess read({Tool(), "read", "--reset", device, "project", dir / "f"}, dir / "read.out");
    ASSERT_TRUE(read.AwaitOutput("Read 1 block, ")) << read.Text();
    read.Signal(SIGTERM);
    EXPECT_EQ(read.Wait(), 0) << read.Text();
    EXPECT_TRUE(ReadFileBytes(dir / "f") == memory.substr(0x20000, 128));
}

TEST(CmdVerify, EqualAndDifferentFirstAddressFirmwareFirst) {
    TTempDir dir;
    const TScratchFolder scratch(dir);
    // As an update leaves it: 1000 firmware bytes and the zeros of their last block, the image alike.
    const std::string firmware = Pattern(1000, 5), image = Pattern(29, 6);
    TSimulateProcess simulator(
        dir, SimulatorMemory(firmware + std::string(24, '\0'), image + std::string(99, '\0')), {});
    const std::string device = simulator.DevicePath();
    ASSERT_FALSE(device.empty());
    const auto changed = [](std::string bytes, std::size_t at) {
        bytes[at] = static_cast<char>(bytes[at] ^ 0x5A);
        return bytes;
    };
    const struct {
        const char* Name;
        std::string Firmware;
        std::string Image; // "" for no project folder
        int Code;
        const char* FirmwareLine;
        const char* Difference; // first_difference of the failed check, or null
    } cases[] = {
        {"equal", firmware, image, 0, "OK", nullptr},
        {"first block", changed(firmware, 5), image, 2, "Error After Read", "0x004005"},
        {"middle", changed(firmware, 600), image, 2, "Error After Read", "0x004258"},
        {"zero-filled tail, the file covering it", firmware + "\x01", image, 2, "Error After Read",
         "0x0043E8"},
        {"beyond the file's end", firmware.substr(0, 990), "", 0, "OK", nullptr},
        {"image", firmware, changed(image, 28), 3, "OK", "0x02401C"},
        {"both: the firmware first", changed(firmware, 999), changed(image, 0), 2, "Error After Read",
         "0x0043E7"},
        {"no firmware file", "", image, 2, "File Firmware not found", nullptr},
    };
    for (const auto& c : cases) {
        TTempDir files;
        ::mkdir((files / "bin").c_str(), 0755);
        if (!c.Firmware.empty())
            WriteFileBytes(files / "fw.sim", c.Firmware);
        WriteFileBytes(files / "bin/bank.bin", c.Image);
        std::vector<std::string> args = {"verify", "--json", "--trace", device, files / "fw.sim"};
        if (!c.Image.empty())
            args.push_back(files / "bin/");
        const TRunResult r = RunTool(args);
        EXPECT_EQ(r.Exit, c.Code) << c.Name << "\n" << r.Err;
        const auto doc = TJsonFlat::Parse(r.Out);
        EXPECT_EQ(doc.at("lines.firmware"), std::string("\"") + c.FirmwareLine + "\"") << c.Name;
        const std::string failed = c.Code == 3 ? "project" : "firmware";
        if (c.Difference) {
            EXPECT_EQ(doc.at(failed + ".first_difference"), std::string("\"") + c.Difference + "\"")
                << c.Name;
            EXPECT_NE(r.Err.find(std::string("differs first at ") + c.Difference + ": "), std::string::npos)
                << c.Name << "\n"
                << r.Err;
        }
        // The image is read only after a firmware found equal.
        if (c.Code == 2 || c.Image.empty()) {
            EXPECT_EQ(doc.at("project"), "null") << c.Name;
        } else {
            EXPECT_EQ(doc.at("project.same"), c.Code == 0 ? "true" : "false") << c.Name;
        }
        if (c.Code != 2 || c.Difference)
            ExpectOnlyReadCommands(r.Err);
    }
    EXPECT_EQ(scratch.Left(), std::vector<std::string>{});
}

TEST(CmdRead, Refusals) {
    TTempDir dir;
    const std::string programs = dir / "programs";
    ::mkdir(programs.c_str(), 0755);
    TSimulateProcess erased(dir);
    const std::string device = erased.DevicePath();
    ASSERT_FALSE(device.empty());
    const std::string noImage = "The configuration region is erased (all FF): no image was written there.\n";
    const struct {
        std::vector<std::string> Args;
        int Code;
        std::string Text; // in the output or the errors
    } cases[] = {
        {{"read"}, 64, "DEVICE, firmware or project, and FILE are needed"},
        {{"read", device, "bios", dir / "f"}, 64, "'bios' is neither firmware nor project"},
        {{"read", device, "firmware", dir / "f", "--blocks", "0"},
         64,
         "--blocks needs a number from 1 to 1024"},
        {{"read", device, "project", dir / "f", "--blocks", "129"},
         64,
         "--blocks needs a number from 1 to 128"},
        {{"read", device, "firmware", dir / "none/f"}, 64, "FILE must name a file in an existing folder"},
        {{"read", "--give-up", "soon", device, "firmware", dir / "f"},
         64,
         "--give-up needs a number of seconds"},
        {{"verify", device}, 64, "DEVICE and FIRMWARE-FILE are needed"},
        {{"params", "--device"}, 64, "--device needs a value"},
        {{"params", "--device", device, dir.Path()}, 64, "does not go with --device"},
        {{"project", "new", programs, "A", "--from-device"}, 64, "--from-device needs a value"},
        {{"read", dir / "no-such-device", "firmware", dir / "f"}, 1, "  exists:    no\n"},
        {{"params", "--device", device}, 1, noImage},
        {{"project", "new", programs, "A", "--from-device", device}, 1, noImage},
        {{"read", "--help"}, 0, "0x004000 to 0x023FFF"},
        {{"verify", "--help"}, 0, "ends without the reset request"},
    };
    for (const auto& c : cases) {
        const TRunResult r = RunTool(c.Args);
        EXPECT_EQ(r.Exit, c.Code) << c.Args[0] << " " << c.Text << "\n" << r.Out << r.Err;
        EXPECT_NE((r.Out + r.Err).find(c.Text), std::string::npos) << c.Text << "\n" << r.Out << r.Err;
    }
    EXPECT_FALSE(PathExists(dir / "f"));
    EXPECT_FALSE(PathExists(programs + "/PROJECTS/A"));
}

TEST(CmdParamsDevice, AConverterClonedIntoAProjectCompilesToTheSameBytes) {
    TTempDir dir;
    const std::string programs = dir / "programs";
    ::mkdir(programs.c_str(), 0755);
    ASSERT_EQ(RunTool({"project", "new", programs, "Line1"}).Exit, 0);
    const std::string line1 = programs + "/PROJECTS/Line1";
    ASSERT_EQ(
        RunTool({"params", line1, "--set", "ip=10.0.7.21", "mask=255.255.0.0", "gateway=10.0.0.1", "port=502",
                 "transport=udp", "udp-broadcast=on", "can-bitrate=125K", "can-frame=2.0B", "multiframe=on"})
            .Exit,
        0);
    ASSERT_EQ(RunTool({"build-image", line1}).Exit, 0);
    const std::string image = ReadFileBytes(line1 + "/bin/bank.bin");
    ASSERT_EQ(image.size(), 29u);
    TSimulateProcess simulator(dir, SimulatorMemory("", image + std::string(99, '\0')), {});
    const std::string device = simulator.DevicePath();
    ASSERT_FALSE(device.empty());

    const std::string asProject = RunTool({"params", line1}).Out;
    const TRunResult shown = RunTool({"params", "--json", "--device", device});
    EXPECT_EQ(shown.Exit, 0) << shown.Err;
    EXPECT_NE(shown.Err.find(asProject), std::string::npos) << shown.Err;
    EXPECT_EQ(TJsonFlat::Parse(shown.Out).at("parameters.ip"), "\"10.0.7.21\"");
    // The lines and the progress go to standard error: the output is that of the project's.
    EXPECT_EQ(RunTool({"params", "--device", device}).Out, asProject);

    const TRunResult clone = RunTool({"project", "new", programs, "Spare", "--from-device", device});
    EXPECT_EQ(clone.Exit, 0) << clone.Err;
    EXPECT_EQ(clone.Out, programs + "/PROJECTS/Spare\n");
    const TRunResult cloneJson =
        RunTool({"project", "new", "--json", programs, "Spare2", "--from-device", device});
    EXPECT_EQ(cloneJson.Exit, 0) << cloneJson.Err;
    ExpectLeaves(cloneJson.Out,
                 "created=true folder=\"" + programs + "/PROJECTS/Spare2\" parameters.ip=\"10.0.7.21\"");

    // A reply a byte short, however right its checksum, is no block to decode.
    TTempDir shortDir;
    TSimulateProcess shortReplies(shortDir, SimulatorMemory("", image + std::string(99, '\0')),
                                  {"--short-reply-every", "1"});
    const TRunResult cut = RunTool({"params", "--give-up", "1", "--device", shortReplies.DevicePath()});
    EXPECT_EQ(cut.Exit, 1) << cut.Err;
    EXPECT_EQ(cut.Out, "");
    EXPECT_NE(cut.Err.find("read of 0x024000 failed, asked again (retry 1)"), std::string::npos) << cut.Err;
    EXPECT_EQ(ReadFileBytes(programs + "/PROJECTS/Spare/pargen.xml"), ReadFileBytes(line1 + "/pargen.xml"));
    ASSERT_EQ(RunTool({"build-image", programs + "/PROJECTS/Spare"}).Exit, 0);
    EXPECT_TRUE(ReadFileBytes(programs + "/PROJECTS/Spare/bin/bank.bin") == image);
}
