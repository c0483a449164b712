// The bash completion of ze50321, run in bash against this build's ze50321 as a shell runs it.

#include "tests/support/Process.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

// What the completion offers for words, the last the one being completed (empty: nothing typed
// yet), one offer a line. As bash gives them, NAME=VALUE arrives split at its "=".
std::string Complete(const std::vector<std::string>& words) {
    const std::string script =
        "source \"$0\" && P=$1 && shift && COMP_WORDS=(\"$P\" \"$@\") && "
        "COMP_CWORD=$((${#COMP_WORDS[@]} - 1)) && _ze50321 \"$P\"; printf '%s\\n' \"${COMPREPLY[@]}\"";
    std::vector<std::string> args = {"/bin/bash", "--norc",           "--noprofile", "-c",
                                     script,      ZE_COMPLETION_FILE, Tool()};
    args.insert(args.end(), words.begin(), words.end());
    const TRunResult run = RunProgram(args);
    EXPECT_EQ(run.Exit, 0) << run.Err;
    return run.Out;
}

} // namespace

TEST(Completion, CommandsOptionsWordsAndParameters) {
    const struct {
        std::vector<std::string> Words;
        std::string Offers;
    } cases[] = {
        {{""},
         "project\nparams\nbuild-image\nupdate\nread\nverify\nstation\nsimulate\nports\nping\nhistory\n--"
         "help\n"},
        {{"station", "--"},
         "--all\n--dev\n--give-up\n--help\n--json\n--label\n--no-record\n--options\n--records\n--user-"
         "ports\n--watch\n"},
        {{"station", "--options", ""}, "FW,FR,PW,PR\n"},
        {{"update", "--"}, "--give-up\n--help\n--json\n--label\n--no-record\n--records\n--trace\n"},
        {{"update", "--label", "SN-1", "/dev/ttyS0", ""}, "FW\nNO\n"},
        {{"update", "/dev/ttyS0", ""}, "FW\nNO\n"},
        {{"update", "--trace", "/dev/ttyS0", "FW", "F"}, "FR\n"},
        {{"update", "/dev/ttyS0", "FW", "NO", ""}, "PW\nNO\n"},
        {{"update", "/dev/ttyS0", "NO", "NO", "PW", "P"}, "PR\n"},
        {{"params", "P", "--set", "tr"}, "transport=\n"},
        {{"params", "P", "--set", "transport", "=", ""}, "tcp\nudp\n"},
        {{"params", "P", "--set", "ip", "=", "1", "can-bitrate", "=", "2"}, "20K\n250K\n22.22K\n"},
        {{"params", "P", "--set", "gateway", "=", ""}, "off\non\n"},
        {{"project", ""}, "new\n"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Complete(c.Words), c.Offers) << c.Words.front() << " ... '" << c.Words.back() << "'";
}

TEST(Completion, DevicePathsAreThePortsListed) {
    // A simulated converter linked into the user's port folder, which ze50321 ports lists.
    TTempDir dir;
    ASSERT_EQ(::setenv("XDG_RUNTIME_DIR", dir.Path().c_str(), 1), 0);
    std::filesystem::create_directories(dir / "ze50321/ports");
    const std::string link = dir / "ze50321/ports/ttyZE0";
    TSimulateProcess simulator(dir, {"--link", link});
    ASSERT_FALSE(simulator.DevicePath().empty());
    const TRunResult ports = RunProgram({Tool(), "ports"});
    ASSERT_NE(ports.Out.find(link + "\n"), std::string::npos) << ports.Out;
    EXPECT_EQ(Complete({"update", ""}), ports.Out);
    EXPECT_EQ(Complete({"ports", "--check", link.substr(0, link.size() - 1)}), link + "\n");
}
