#include "tests/support/JsonFlat.h"
#include "tests/support/Process.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

// Each command's --json: one document on standard output that a strict reader takes, the human text
// on standard error.

TEST(CmdJson, UpdateAnswersLinesTransfersAndExitCode) {
    TTempDir dir;
    ::mkdir((dir / "bin").c_str(), 0755);
    WriteFileBytes(dir / "fw.sim", std::string(300, '\x5a'));
    WriteFileBytes(dir / "bin/bank.bin", std::string(29, '\x01'));
    TSimulateProcess simulator(dir);
    const std::string device = simulator.DevicePath();
    ASSERT_FALSE(device.empty());
    TProcess update(
        {Tool(), "update", "--json", device, "FW", "FR", "PW", "NO", dir / "fw.sim", dir / "bin/"},
        dir / "out", dir / "err");
    ASSERT_EQ(update.Wait(), 0) << update.ErrorText();
    const auto doc = TJsonFlat::Parse(update.Text());
    const std::map<std::string, std::string> expected = {
        {"device", "\"" + device + "\""},
        {"lines.init", "\"OK\""},
        {"lines.firmware", "\"OK\""},
        {"lines.project", "\"OK\""},
        {"transfers[0].region", "\"firmware\""},
        {"transfers[0].direction", "\"write\""},
        {"transfers[0].blocks", "3"},
        {"transfers[0].retries", "0"},
        {"transfers[0].bytes", "384"},
        {"transfers[1].direction", "\"read\""},
        {"transfers[2].region", "\"project\""},
        {"transfers[2].bytes", "128"},
        {"port", "null"},
        {"exit_code", "0"},
    };
    for (const auto& [path, value] : expected)
        EXPECT_EQ(doc.count(path) ? doc.at(path) : "(absent)", value) << path;
    EXPECT_EQ(doc.count("transfers[3].region"), 0u);
    EXPECT_NE(update.ErrorText().find("FIRMWARE : OK\n"), std::string::npos) << update.ErrorText();

    TProcess missing(
        {Tool(), "update", "--json", dir / "nothing", "FW", "NO", "NO", "NO", dir / "fw.sim", dir / "bin/"},
        dir / "out2", dir / "err2");
    ASSERT_EQ(missing.Wait(), 1) << missing.ErrorText();
    const auto failed = TJsonFlat::Parse(missing.Text());
    EXPECT_EQ(failed.at("lines.init"), "\"Device Not Found\"");
    EXPECT_EQ(failed.at("port.verdict"), "\"missing\"");
    EXPECT_EQ(failed.at("transfers"), "[]");
    EXPECT_EQ(failed.at("error"), "null");
    EXPECT_EQ(failed.at("exit_code"), "1");
}

TEST(CmdJson, UpdateAnswersItsDocumentForACommandLineItRefuses) {
    TTempDir dir;
    const struct {
        std::vector<std::string> Args;
        const char* Device;
        const char* Error;
    } cases[] = {
        {{"--json", "/dev/ttyS0", "NO", "FR", "NO", "PR", "f", "d/"},
         "\"/dev/ttyS0\"",
         "\"Error!!! No update must do into device.\""},
        {{"--json"}, "\"\"", "\"no arguments\""},
        {{"--bogus", "--json", "/dev/ttyS0", "FW"}, "\"/dev/ttyS0\"", "\"unknown option '--bogus'\""},
        {{"--json", "--give-up", "soon", "/dev/ttyS0", "FW"},
         "\"/dev/ttyS0\"",
         "\"--give-up needs a number of seconds from 0 to 86400\""},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = {Tool(), "update"};
        args.insert(args.end(), c.Args.begin(), c.Args.end());
        TProcess update(args, dir / "out", dir / "err");
        ASSERT_EQ(update.Wait(), 4) << update.ErrorText();
        const auto doc = TJsonFlat::Parse(update.Text());
        const std::map<std::string, std::string> expected = {
            {"device", c.Device},
            {"lines.init", "\"Waiting...\""},
            {"lines.firmware", "\"Not Used\""},
            {"lines.project", "\"Not Used\""},
            {"transfers", "[]"},
            {"port", "null"},
            {"error", c.Error},
            {"exit_code", "4"},
        };
        for (const auto& [path, value] : expected)
            EXPECT_EQ(doc.count(path) ? doc.at(path) : "(absent)", value) << path << " " << c.Error;
    }
}

TEST(CmdJson, BuildImageAndPing) {
    TTempDir dir;
    TProcess build({Tool(), "build-image", "--json", dir.Path()}, dir / "out", dir / "err");
    ASSERT_EQ(build.Wait(), 0) << build.ErrorText();
    const auto image = TJsonFlat::Parse(build.Text());
    EXPECT_EQ(image.at("bytes"), "\"04 00 00 00\""); // no parameter file: the header alone
    EXPECT_EQ(image.at("image"), "\"" + dir / "bin/bank.bin\"");
    EXPECT_EQ(build.ErrorText(), "04 00 00 00\n");

    // Loopback only; where ICMP sockets are not allowed the answer is the error, in JSON all the same.
    TProcess ping({Tool(), "ping", "--json", "127.0.0.1"}, dir / "ping", dir / "ping.err");
    const int code = ping.Wait();
    ASSERT_TRUE(code == 0 || code == 2) << ping.ErrorText();
    const auto answer = TJsonFlat::Parse(ping.Text());
    EXPECT_EQ(answer.at("exit_code"), std::to_string(code));
    EXPECT_EQ(answer.at("text"), code == 0 ? "\"Device Found!\"" : "\"Error!!! Check the Ip Address\"");
    EXPECT_EQ(answer.at("found"), code == 0 ? "true" : "false");
}
