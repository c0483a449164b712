// RunAndWait's Win32 backend: ShellExecuteEx with the parameter text whole, GetExitCodeProcess.

#include "configurator/RunAndWait.h"

#include "common/ProgramPath.h"
#include "common/UpdaterRequest.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <thread>

#include <windows.h>

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

TEST(RunAndWaitWin32, TheUpdaterTakesTheWizardsTextAsItsSevenArguments) {
    // The project folder ends in a backslash inside its quotes: the C runtime's rules would read
    // that as an escaped quote and join the folder with what follows.
    TTempDir dir;
    const std::string arguments = dir / "arguments.txt";
    ASSERT_EQ(_putenv_s("ZE_ECHO_ARGUMENTS_FILE", arguments.c_str()), 0);
    TUpdaterRequest request;
    request.PortName = "\\\\.\\COM7";
    request.FirmwareWrite = request.ProjectWrite = request.ProjectRead = true;
    request.FirmwareFile = "Z:\\MY PROJECTS\\MASTER\\vod50321.sim";
    request.ProjectFolder = "Z:\\MY PROJECTS\\PROJECTS\\P 1\\bin\\";
    const TRunOutcome run = RunAndWait(EchoProgram(), ComposeUpdaterParameters(request), true);
    ASSERT_TRUE(run.Ended) << run.Error;
    EXPECT_EQ(ReadFileBytes(arguments), "\\\\.\\COM7\nFW\nNO\nPW\nPR\nZ:\\MY PROJECTS\\MASTER\\vod50321.sim\n"
                                        "Z:\\MY PROJECTS\\PROJECTS\\P 1\\bin\\\n");
    ASSERT_EQ(_putenv_s("ZE_ECHO_ARGUMENTS_FILE", ""), 0);
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

TEST(RunAndWaitWin32, NamesOutsideTheCodePageReachTheUpdaterWhole) {
    // The wide calls on both sides: the shell's start and the updater's own command line.
    TTempDir dir;
    const std::string arguments = dir / "arguments.txt";
    ASSERT_EQ(_putenv_s("ZE_ECHO_ARGUMENTS_FILE", arguments.c_str()), 0);
    TUpdaterRequest request;
    request.PortName = "\\\\.\\COM7";
    request.FirmwareWrite = true;
    request.FirmwareFile = "Z:\\J\xc3\xbcrgen \xd0\xa1\xd0\xb5\xd1\x80\xd0\xb3\xd0\xb5\xd0\xb9 "
                           "\xe5\xbc\xa0\xe4\xbc\x9f\\MASTER\\vod50321.sim";
    request.ProjectFolder = "Z:\\PROJECTS\\Stra\xc3\x9f"
                            "e \xe5\xbc\xa0\\bin\\";
    const TRunOutcome run = RunAndWait(EchoProgram(), ComposeUpdaterParameters(request), true);
    ASSERT_TRUE(run.Ended) << run.Error;
    EXPECT_EQ(ReadFileBytes(arguments),
              "\\\\.\\COM7\nFW\nNO\nNO\nNO\n" + request.FirmwareFile + "\n" + request.ProjectFolder + "\n");
    ASSERT_EQ(_putenv_s("ZE_ECHO_ARGUMENTS_FILE", ""), 0);
}

TEST(RunAndWaitWin32, TheWaitingThreadStillAnswersTheSystem) {
    // A message sent to the thread's window while it waits is answered within the wait, as the
    // system's own check for a hung window is; the wait takes no input meanwhile.
    const HWND window =
        CreateWindowExW(0, L"STATIC", L"waiting", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    ASSERT_EQ(_putenv_s("ZE_ECHO_SLEEP_MS", "1500"), 0);
    std::atomic<int> answered{-1};
    std::thread system([&] {
        Sleep(300);
        DWORD_PTR result = 0;
        answered = SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_BLOCK, 1000, &result) != 0;
    });
    const TRunOutcome run = RunAndWait(EchoProgram(), "", true);
    system.join();
    ASSERT_EQ(_putenv_s("ZE_ECHO_SLEEP_MS", ""), 0);
    DestroyWindow(window);
    EXPECT_TRUE(run.Ended) << run.Error;
    EXPECT_EQ(answered.load(), 1);
}

} // namespace
