#include "tests/support/JsonFlat.h"
#include "tests/support/Process.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

TEST(CmdPorts, CheckSaysWhyAndAnswersJson) {
    TTempDir dir;
    WriteFileBytes(dir / "plain", "");
    TSimulateProcess simulator(dir);
    const std::string device = simulator.DevicePath();
    ASSERT_FALSE(device.empty());
    const struct {
        std::string Device;
        int Code;
        const char* Verdict;
        std::string Text;
    } cases[] = {
        {dir / "absent", 1, "missing", dir / "absent\n  exists:    no\n"},
        {dir / "plain", 1, "not-terminal", dir / "plain\n  exists:    yes, a regular file\n"},
        {device, 0, "opens",
         device + "\n  exists:    yes, a character device\n  terminal:  yes\n  opens:     yes\n"},
    };
    for (const auto& c : cases) {
        TProcess human({Tool(), "ports", "--check", c.Device}, dir / "out");
        EXPECT_EQ(human.Wait(), c.Code) << human.Text();
        EXPECT_NE(human.Text().find(c.Text), std::string::npos) << human.Text();

        TProcess json({Tool(), "ports", "--json", "--check", c.Device}, dir / "json", dir / "err");
        EXPECT_EQ(json.Wait(), c.Code) << json.ErrorText();
        const auto doc = TJsonFlat::Parse(json.Text());
        EXPECT_EQ(doc.at("ports[0].path"), "\"" + c.Device + "\"");
        EXPECT_EQ(doc.at("ports[0].verdict"), std::string("\"") + c.Verdict + "\"");
        EXPECT_EQ(doc.at("exit_code"), std::to_string(c.Code));
        // The human text goes to standard error, and is in the document too.
        EXPECT_EQ(doc.at("ports[0].text"), "\"" + json.ErrorText() + "\"");
    }
}
