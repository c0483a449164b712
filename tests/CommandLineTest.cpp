#include "common/CommandLine.h"
#include "common/Text.h"
#include "common/UpdaterRequest.h"
#include "updater/UpdateArguments.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using TItems = std::vector<std::string>;

TEST(CommandLine, SplitsByTheUpdaterRules) {
    const struct {
        std::string Text;
        TItems Expected;
    } cases[] = {
        {"", {}},
        {"   \t\r\n ", {}},
        {"COM3 FW", {"COM3", "FW"}},
        {"a\tb\nc\x01"
         "d\x1f"
         "e",
         {"a", "b", "c", "d", "e"}},
        {"\"/P/my files/bin/\"", {"/P/my files/bin/"}},
        // A backslash is an ordinary character, also in front of a closing quote.
        {"\"C:\\P\\bin\\\" NO", {"C:\\P\\bin\\", "NO"}},
        {"\"\\\\.\\COM3\"", {"\\\\.\\COM3"}},
        // Text before and after a quoted stretch joins onto it.
        {"a\"b c\"d", {"ab cd"}},
        {"/P/\"my files\"/bin/", {"/P/my files/bin/"}},
        {"a\"\"b", {"ab"}},
        {"x\"\"", {"x"}},
        // Empty quote pairs in front of an argument are skipped, even several.
        {"\"\" x", {"x"}},
        {"\"\"\"\"x", {"x"}},
        {"\"\"", {}},
        {"a \"\" b", {"a", "b"}},
        // Inside a stretch every character but the quote belongs to the argument.
        {"\"a\tb\"", {"a\tb"}},
        // An unterminated stretch runs to the end; an opening quote alone adds nothing.
        {"\"a b", {"a b"}},
        {"x \"", {"x"}},
        // A NUL ends the text.
        {std::string("a\0b c", 5), {"a"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SplitCommandLine(c.Text), c.Expected) << "text: " << c.Text;
}

TEST(CommandLine, RequestTextRoundTrips) {
    TUpdaterRequest r;
    r.PortName = "/dev/ttyUSB0";
    r.FirmwareFile = "/opt/Velmora Tools/MASTER/vod50321.sim";
    r.ProjectFolder = "/opt/Velmora Tools/PROJECTS/p 1/bin/";
    r.FirmwareWrite = r.FirmwareRead = r.ProjectWrite = true;
    EXPECT_EQ(ComposeUpdaterParameters(r),
              "/dev/ttyUSB0 FW FR PW NO \"/opt/Velmora Tools/MASTER/vod50321.sim\" "
              "\"/opt/Velmora Tools/PROJECTS/p 1/bin/\"");
    // Every choice of the four options comes back whole, read options without their writes too.
    for (int bits = 0; bits < 16; ++bits) {
        r.FirmwareWrite = bits & 1;
        r.FirmwareRead = bits & 2;
        r.ProjectWrite = bits & 4;
        r.ProjectRead = bits & 8;
        const TItems items = SplitCommandLine(ComposeUpdaterParameters(r));
        EXPECT_EQ(items.size(), 7u) << "options " << bits;
        EXPECT_TRUE(ParseUpdaterRequest(items) == r) << "options " << bits;
    }
}

TEST(CommandLine, ProcessCommandLineDropsTheProgramPath) {
    EXPECT_EQ(SplitProcessCommandLine("\"/opt/my tools/Ser_50321_Update\" /dev/ttyS0 FW"),
              (TItems{"/dev/ttyS0", "FW"}));
    EXPECT_EQ(SplitProcessCommandLine("Ser_50321_Update"), TItems{});
    EXPECT_EQ(SplitProcessCommandLine(""), TItems{});
}

TEST(CommandLine, KeywordsAreComparedWithLettersUpperCased) {
    const struct {
        std::string Word;
        bool Counts;
    } cases[] = {{"FW", true},   {"fw", true},   {"Fw", true}, {"fW", true}, {"FW ", false},
                 {" FW", false}, {"FWX", false}, {"F", false}, {"", false},  {"NO", false}};
    for (const auto& c : cases) {
        const auto a = ParseUpdateArguments({"COM3", c.Word, "NO", "NO", "NO", "f", "d/"});
        EXPECT_EQ(a.FirmwareWrite, c.Counts) << "word: '" << c.Word << "'";
    }
    const auto a = ParseUpdateArguments({"COM3", "fw", "fr", "pw", "pr", "f", "d/"});
    EXPECT_TRUE(a.FirmwareWrite && a.FirmwareRead && a.ProjectWrite && a.ProjectRead);
    EXPECT_EQ(UpperAsciiLetters("fw\xe9z9-"), "FW\xe9Z9-");
}

TEST(CommandLine, KeywordCountsOnlyInItsOwnPosition) {
    const auto a = ParseUpdateArguments({"FW", "PW", "FW", "PR", "FR", "FW", "PW"});
    EXPECT_FALSE(a.FirmwareWrite);
    EXPECT_FALSE(a.FirmwareRead);
    EXPECT_FALSE(a.ProjectWrite);
    EXPECT_FALSE(a.ProjectRead);
    EXPECT_EQ(a.Mode(), TUpdateMode::NothingToDo);
}

TEST(CommandLine, ReadWithoutItsWriteIsIgnored) {
    const auto a =
        ParseUpdateArguments({"\\\\.\\COM3", "NO", "FR", "PW", "NO", "/M/vod50321.sim", "/P/bin/"});
    EXPECT_FALSE(a.FirmwareWrite);
    EXPECT_FALSE(a.FirmwareRead);
    EXPECT_TRUE(a.ProjectWrite);
    EXPECT_FALSE(a.ProjectRead);
    const auto b = ParseUpdateArguments({"COM3", "FW", "NO", "NO", "PR", "f", "d"});
    EXPECT_TRUE(b.FirmwareWrite);
    EXPECT_FALSE(b.ProjectRead);
}

TEST(CommandLine, ValuesAreTakenUnchangedAndMissingOnesAreEmpty) {
    const auto full = ParseUpdateArguments(
        {"/dev/ttyUSB0", "FW", "FR", "PW", "PR", "/M/vod50321.sim", "/P/bin/", "x", "y"});
    EXPECT_EQ(full.ArgCount, 9);
    EXPECT_EQ(full.PortName, "/dev/ttyUSB0");
    EXPECT_EQ(full.FirmwareFile, "/M/vod50321.sim");
    EXPECT_EQ(full.ProjectFolder, "/P/bin/");

    const auto shortLine = ParseUpdateArguments({"COM3", "FW"});
    EXPECT_EQ(shortLine.ArgCount, 2);
    EXPECT_EQ(shortLine.PortName, "COM3");
    EXPECT_TRUE(shortLine.FirmwareWrite);
    EXPECT_EQ(shortLine.FirmwareFile, "");
    EXPECT_EQ(shortLine.ProjectFolder, "");

    const auto none = ParseUpdateArguments({});
    EXPECT_EQ(none.ArgCount, 0);
    EXPECT_EQ(none.PortName, "");
    EXPECT_FALSE(none.FirmwareWrite || none.ProjectWrite);
}

TEST(CommandLine, ChoosesTheWindowMode) {
    const struct {
        TItems Args;
        TUpdateMode Mode;
    } cases[] = {
        {{}, TUpdateMode::Empty},
        {{"COM3"}, TUpdateMode::NothingToDo},
        {{"COM3", "NO", "NO", "NO", "NO"}, TUpdateMode::NothingToDo},
        {{"COM3", "NO", "FR", "NO", "PR", "f", "d"}, TUpdateMode::NothingToDo},
        {{""}, TUpdateMode::NothingToDo},
        {{"COM3", "fw"}, TUpdateMode::Auto},
        {{"COM3", "NO", "NO", "pW"}, TUpdateMode::Auto},
        {{"COM3", "FW", "NO", "PW", "NO", "f", "d"}, TUpdateMode::Auto},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ParseUpdateArguments(c.Args).Mode(), c.Mode) << "argument count " << c.Args.size();
}
