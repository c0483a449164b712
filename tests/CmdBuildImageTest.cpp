#include "tests/support/Process.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

// ze50321 build-image with the arguments.
TRunResult BuildImage(std::vector<std::string> args) {
    args.insert(args.begin(), {Tool(), "build-image"});
    return RunProgram(args);
}

const char* DefaultsFile =
    "<?xml version=\"1.0\"?>\n<GeneralParameter>\n  <CAN_BR>4</CAN_BR>\n  <CAN_Type>0</CAN_Type>\n"
    "  <ADD_IP IPB1=\"192\" IPB2=\"168\" IPB3=\"0\" IPB4=\"10\"/>\n"
    "  <SUBNET SMB1=\"255\" SMB2=\"255\" SMB3=\"255\" SMB4=\"0\"/>\n"
    "  <DEST DESTB1=\"192\" DESTB2=\"168\" DESTB3=\"0\" DESTB4=\"20\"/>\n"
    "  <Port>10001</Port>\n  <Protocol>0</Protocol>\n  <Multi>0</Multi>\n  <Type_Dev>0</Type_Dev>\n"
    "  <En_Gate>0</En_Gate>\n  <GATEWAY GATE1=\"192\" GATE2=\"168\" GATE3=\"0\" GATE4=\"1\"/>\n"
    "  <UDP_Broad>0</UDP_Broad>\n</GeneralParameter>\n";

const std::string DefaultsImage =
    "04 00 00 00 05 00 C0 A8 00 0A FF FF FF 00 C0 A8 00 14 11 27 00 00 00 00 C0 A8 00 "
    "01 00";

} // namespace

TEST(CmdBuildImage, CompilesAProjectFolder) {
    TTempDir dir;
    std::filesystem::create_directory(dir / "P1");
    WriteFileBytes(dir / "P1/pargen.xml", DefaultsFile);
    const TRunResult run = BuildImage({dir / "P1"});
    EXPECT_EQ(run.Exit, 0) << run.Err;
    EXPECT_EQ(run.Out, DefaultsImage + "\n");
    EXPECT_EQ(run.Err, "");
    const std::string image = ReadFileBytes(dir / "P1/bin/bank.bin");
    ASSERT_EQ(image.size(), 29u);
    EXPECT_EQ(image.substr(0, 6), std::string("\x04\0\0\0\x05\0", 6));
    EXPECT_EQ(image.substr(18, 2), "\x11\x27");
}

TEST(CmdBuildImage, EmptyProjectGivesTheHeader) {
    TTempDir dir;
    const TRunResult run = BuildImage({dir.Path() + "/"});
    EXPECT_EQ(run.Exit, 0) << run.Err;
    EXPECT_EQ(run.Out, "04 00 00 00\n");
    EXPECT_EQ(ReadFileBytes(dir / "bin/bank.bin"), std::string("\x04\0\0\0", 4));
}

TEST(CmdBuildImage, BrokenFileFailsWithTheReason) {
    TTempDir dir;
    std::filesystem::create_directories(dir / "P1/bin");
    WriteFileBytes(dir / "P1/bin/bank.bin", "earlier");
    std::string text = DefaultsFile;
    text.erase(text.find("  <Port>10001</Port>\n"), 21);
    WriteFileBytes(dir / "P1/Pargen.xml", text);
    TRunResult run = BuildImage({dir / "P1"});
    EXPECT_EQ(run.Exit, 1);
    EXPECT_EQ(run.Out, "");
    EXPECT_EQ(run.Err, "Cannot compile " + (dir / "P1/Pargen.xml") + ": element Port is missing\n");
    EXPECT_EQ(ReadFileBytes(dir / "P1/bin/bank.bin"), "earlier");

    WriteFileBytes(dir / "P1/Pargen.xml", "<GeneralParameter>\n<CAN_BR>4</CAN_BR>\n");
    run = BuildImage({dir / "P1"});
    EXPECT_EQ(run.Exit, 1);
    EXPECT_EQ(run.Err, "Cannot compile " + (dir / "P1/Pargen.xml") + ": Start-end tags mismatch, line 2\n");
}

TEST(CmdBuildImage, UnwritableImageFails) {
    TTempDir dir;
    WriteFileBytes(dir / "bin", "not a folder");
    const TRunResult run = BuildImage({dir.Path()});
    EXPECT_EQ(run.Exit, 1);
    EXPECT_EQ(run.Err, "Unable to write to " + (dir / "bin/bank.bin") + "\n");
}

TEST(CmdBuildImage, UsageAndHelp) {
    TTempDir dir;
    const struct {
        std::vector<std::string> Arguments;
        int Exit;
    } cases[] = {
        {{}, 64},
        {{dir / "absent"}, 64},
        {{dir / "file.txt"}, 64}, // a file, not a folder
        {{dir.Path(), "extra"}, 64},
    };
    WriteFileBytes(dir / "file.txt", "");
    for (const auto& c : cases) {
        const TRunResult run = BuildImage(c.Arguments);
        EXPECT_EQ(run.Exit, c.Exit) << testing::PrintToString(c.Arguments);
        EXPECT_NE(run.Err.find("Usage: ze50321 build-image [--json] PROJECT_FOLDER"), std::string::npos)
            << testing::PrintToString(c.Arguments);
        EXPECT_EQ(run.Out, "");
    }
    const TRunResult help = BuildImage({"--help"});
    EXPECT_EQ(help.Exit, 0);
    EXPECT_EQ(help.Out.rfind("Usage: ze50321 build-image [--json] PROJECT_FOLDER\n", 0), 0u);
    EXPECT_NE(help.Out.find("bin/bank.bin"), std::string::npos);
}
