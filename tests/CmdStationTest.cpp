#include "tests/support/Bytes.h"
#include "tests/support/Process.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

// The command: two converters at once, a line per event off a terminal, a record line per port.
TEST(CmdStation, UpdatesEveryPortAndRecordsEach) {
    TTempDir dir;
    std::filesystem::create_directory(dir / "bin");
    WriteFileBytes(dir / "fw.sim", Pattern(700, 5));
    WriteFileBytes(dir / "bin/bank.bin", Pattern(29, 6));
    TTempDir one, two;
    TSimulateProcess first(one), second(two);
    const std::string a = first.DevicePath(), b = second.DevicePath();
    ASSERT_FALSE(a.empty() || b.empty());
    const std::string records = dir / "records.jsonl";
    const TRunResult run = RunProgram(
        {Tool(), "station", "--records", records, "--label", "lot 7", dir / "fw.sim", dir / "bin/", a, b, a});
    EXPECT_EQ(run.Exit, 0) << run.Out << run.Err;
    EXPECT_EQ(run.Out.substr(run.Out.rfind('\n', run.Out.size() - 2) + 1), "2 OK\n") << run.Out;
    for (const auto& port : {a, b})
        EXPECT_NE(run.Out.find(port.substr(5) + ": PROJECT OK\n"), std::string::npos) << run.Out;

    std::istringstream lines(ReadFileBytes(records));
    std::vector<std::string> recorded;
    for (std::string line; std::getline(lines, line);)
        recorded.push_back(line);
    ASSERT_EQ(recorded.size(), 2u) << ReadFileBytes(records);
    for (const auto& line : recorded) {
        EXPECT_NE(line.find("\"program\":\"ze50321 station\""), std::string::npos) << line;
        EXPECT_NE(line.find("\"exit_code\":0,\"label\":\"lot 7\""), std::string::npos) << line;
    }
    const bool both = (recorded[0].find("\"port\":\"" + a + "\"") != std::string::npos) !=
                      (recorded[1].find("\"port\":\"" + a + "\"") != std::string::npos);
    EXPECT_TRUE(both) << recorded[0] << "\n" << recorded[1];
}
