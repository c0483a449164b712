#include "configurator/IcmpSocket.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include <sys/wait.h>

namespace {

struct TResult {
    int Exit = -1;
    std::string Out;
    std::string Err;
};

// The folder of the built programs: from ctest's environment, else beside this test's folder.
std::string Programs() {
    if (std::getenv("ZE_PROGRAM_DIR"))
        return ProgramDir();
    std::error_code ec;
    return (std::filesystem::read_symlink("/proc/self/exe", ec).parent_path().parent_path() / "bin").string();
}

// Runs "ze50321 ping" with the arguments (already quoted for the shell).
TResult RunPing(const TTempDir& dir, const std::string& arguments) {
    const std::string command = "'" + Programs() + "/ze50321' ping " + arguments + " >'" + (dir / "out") +
                                "' 2>'" + (dir / "err") + "'";
    const int status = std::system(command.c_str());
    TResult result;
    result.Exit = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.Out = ReadFileBytes(dir / "out");
    result.Err = ReadFileBytes(dir / "err");
    return result;
}

TEST(CmdPing, HelpAndUsage) {
    TTempDir dir;
    const TResult help = RunPing(dir, "--help");
    EXPECT_EQ(help.Exit, 0);
    EXPECT_EQ(help.Out.rfind("Usage: ze50321 ping [--json] ADDRESS\n", 0), 0u) << help.Out;
    const TResult none = RunPing(dir, "");
    EXPECT_EQ(none.Exit, 64);
    EXPECT_EQ(none.Out, "");
    const TResult two = RunPing(dir, "127.0.0.1 127.0.0.1");
    EXPECT_EQ(two.Exit, 64);
}

TEST(CmdPing, ReportsTheOutcome) {
    TTempDir dir;
    // A label over 63 characters cannot go into a name-service query: the lookup fails locally.
    const std::string host = std::string(64, 'x') + ".invalid";
    const TResult error = RunPing(dir, host);
    EXPECT_EQ(error.Exit, 2);
    EXPECT_EQ(error.Out, "Error!!! Check the Ip Address\n");
    EXPECT_EQ(error.Err.rfind("ze50321 ping: cannot resolve host '" + host + "': ", 0), 0u) << error.Err;

    try {
        OpenIcmpSocket();
    } catch (const EPingError& e) {
        GTEST_SKIP() << "no raw or datagram ICMP socket permitted here: " << e.what();
    }
    const TResult found = RunPing(dir, "127.0.0.1");
    EXPECT_EQ(found.Exit, 0) << found.Err;
    EXPECT_EQ(found.Out, "Device Found!\n");
    EXPECT_EQ(found.Err, "");
}

} // namespace
