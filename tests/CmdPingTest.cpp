#include "tests/support/IcmpPermission.h"
#include "tests/support/Process.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// ze50321 ping with the arguments.
TRunResult RunPing(std::vector<std::string> args) {
    args.insert(args.begin(), {Tool(), "ping"});
    return RunProgram(args);
}

TEST(CmdPing, HelpAndUsage) {
    const TRunResult help = RunPing({"--help"});
    EXPECT_EQ(help.Exit, 0);
    EXPECT_EQ(help.Out.rfind("Usage: ze50321 ping [--json] ADDRESS\n", 0), 0u) << help.Out;
    const TRunResult none = RunPing({});
    EXPECT_EQ(none.Exit, 64);
    EXPECT_EQ(none.Out, "");
    const TRunResult two = RunPing({"127.0.0.1", "127.0.0.1"});
    EXPECT_EQ(two.Exit, 64);
}

TEST(CmdPing, ReportsTheOutcome) {
    // A label over 63 characters cannot go into a name-service query: the lookup fails locally.
    const std::string host = std::string(64, 'x') + ".invalid";
    const TRunResult error = RunPing({host});
    EXPECT_EQ(error.Exit, 2);
    EXPECT_EQ(error.Out, "Error!!! Check the Ip Address\n");
    EXPECT_EQ(error.Err.rfind("ze50321 ping: cannot resolve host '" + host + "': ", 0), 0u) << error.Err;

    ZE_SKIP_WITHOUT_ICMP();
    const TRunResult found = RunPing({"127.0.0.1"});
    EXPECT_EQ(found.Exit, 0) << found.Err;
    EXPECT_EQ(found.Out, "Device Found!\n");
    EXPECT_EQ(found.Err, "");
}

} // namespace
