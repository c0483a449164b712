// RunAndWait's Win32 backend: ShellExecuteEx with the parameter text whole, GetExitCodeProcess.

#include "configurator/RunAndWait.h"

#include "common/ProgramPath.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

// Built beside this test.
std::string EchoProgram() {
    const std::string self = OwnProgramPath();
    return self.substr(0, self.rfind('\\') + 1) + "CommandLineEcho.exe";
}

TEST(RunAndWaitWin32, PassesTheParameterTextWholeAndReportsTheExitCode) {
    TTempDir dir;
    const std::string echo = dir / "echo.txt";
    ASSERT_EQ(_putenv_s("ZE_ECHO_FILE", echo.c_str()), 0);
    const struct {
        std::string Parameters;
        int ExitCode; // the arguments the program splits the text into
    } cases[] = {
        {"\\\\.\\COM7 FW FR PW PR Z:\\MASTER\\vod50321.sim Z:\\PROJECTS\\Plant1\\bin\\", 7},
        {"\"\\\\.\\COM7\"  FW   \"Z:\\MY PROJECTS\\P 1\\bin\\\\\"", 3},
        {"", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Parameters);
        std::remove(echo.c_str());
        const TRunOutcome run = RunAndWait(EchoProgram(), c.Parameters, true);
        EXPECT_TRUE(run.Started) << run.Error;
        EXPECT_TRUE(run.Ended);
        EXPECT_EQ(run.ExitCode, c.ExitCode);
        const std::string line = ReadFileBytes(echo);
        // The program's name first, then the parameter text as given (or nothing).
        const std::string tail = c.Parameters.empty() ? "" : " " + c.Parameters;
        ASSERT_GE(line.size(), tail.size());
        EXPECT_EQ(line.substr(line.size() - tail.size()), tail) << line;
    }
}

TEST(RunAndWaitWin32, ReportsTheExitCodeOfTheShell) {
    const TRunOutcome run = RunAndWait("cmd", "/c exit 7", true);
    EXPECT_TRUE(run.Started) << run.Error;
    EXPECT_TRUE(run.Ended);
    EXPECT_EQ(run.ExitCode, 7);
}

TEST(RunAndWaitWin32, AProgramThatDoesNotExistIsNotStarted) {
    TTempDir dir;
    const TRunOutcome run = RunAndWait(dir / "Ser_50321_Update.exe", "COM7", true);
    EXPECT_FALSE(run.Started);
    EXPECT_FALSE(run.Ended);
    EXPECT_EQ(run.ExitCode, -1);
    EXPECT_NE(run.Error.find("(error 2)"), std::string::npos) << run.Error;
}

} // namespace
