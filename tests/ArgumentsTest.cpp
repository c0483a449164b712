#include "tools/Arguments.h"
#include "tools/UpdateCommandLine.h"

#include <gtest/gtest.h>

namespace {

const std::vector<TOptionRule> Options = {{"--json"}, {"--trace"}, {"--give-up", true}, {"--device", true}};

} // namespace

TEST(Arguments, OptionsAnywhereAndEachUsageError) {
    const struct {
        std::vector<std::string> Args;
        std::vector<std::string> Positional;
        std::string GiveUp; // "-": not given
        bool Json;
        std::string Error;
    } cases[] = {
        {{"a", "b"}, {"a", "b"}, "-", false, ""},
        {{"--json", "a", "--give-up", "5", "b"}, {"a", "b"}, "5", true, ""},
        {{"a", "b", "--give-up", "5", "--json"}, {"a", "b"}, "5", true, ""},
        {{"a", "--give-up=7", "--give-up", "8"}, {"a"}, "8", false, ""}, // the last one counts
        {{"--", "--json", "-h"}, {"--json", "-h"}, "-", false, ""},
        {{"-", "-x", "a"}, {"-", "-x", "a"}, "-", false, "unexpected argument 'a'"},
        {{"a", "--bogus", "--json"}, {"a"}, "-", true, "unknown option '--bogus'"},
        {{"a", "--give-up"}, {"a"}, "-", false, "--give-up needs a value"},
        {{"--device", "--json", "a"}, {"a"}, "-", true, "--device needs a value"},
        {{"--json=yes", "a"}, {"a"}, "-", false, "--json takes no value"},
        {{"a", "b", "c"}, {"a", "b", "c"}, "-", false, "unexpected argument 'c'"},
        {{"--bogus", "a", "b", "c"}, {"a", "b", "c"}, "-", false, "unknown option '--bogus'"},
    };
    for (const auto& c : cases) {
        const TArguments parsed(c.Args, Options, 2);
        const std::string what = c.Args.empty() ? "" : c.Args[0];
        EXPECT_EQ(parsed.Positional, c.Positional) << what;
        EXPECT_EQ(parsed.Value("--give-up").value_or("-"), c.GiveUp) << what;
        EXPECT_EQ(parsed.Has("--json"), c.Json) << what;
        EXPECT_EQ(parsed.Error, c.Error) << what;
        EXPECT_FALSE(parsed.Help) << what;
    }
    TArguments few({"--json"}, Options, 2);
    few.NeedPositional(2, "DEVICE and FILE are needed");
    EXPECT_EQ(few.Error, "DEVICE and FILE are needed");
    EXPECT_TRUE(TArguments({"a", "-h"}, Options, 0).Help);
    EXPECT_TRUE(TArguments({"--help", "--bogus"}, Options, 0).Help);
    EXPECT_TRUE(TArguments({"--device", "--help"}, Options, 0).Help);
}

TEST(Arguments, UpdateTakesItsOptionsAfterTheSevenArguments) {
    const TUpdateCommandLine line = ParseUpdateCommandLine(
        {"/dev/ttyUSB0", "FW", "NO", "pw", "NO", "fw.sim", "P/", "--give-up", "5", "--json"});
    EXPECT_EQ(line.Error, "");
    EXPECT_EQ(line.GiveUpSeconds, 5);
    EXPECT_TRUE(line.Json);
    EXPECT_EQ(line.Arguments.PortName, "/dev/ttyUSB0");
    EXPECT_TRUE(line.Arguments.FirmwareWrite && line.Arguments.ProjectWrite);
    EXPECT_EQ(line.Arguments.ProjectFolder, "P/");

    const TUpdateCommandLine surplus = ParseUpdateCommandLine({"D", "FW", "NO", "NO", "NO", "f", "P/", "x"});
    EXPECT_EQ(surplus.Error, "unexpected argument 'x'");
    const TUpdateCommandLine seconds = ParseUpdateCommandLine({"D", "FW", "--give-up", "soon"});
    EXPECT_EQ(seconds.Error, "--give-up needs a number of seconds from 0 to 86400");
    EXPECT_EQ(ParseUpdateCommandLine({"D", "NO", "NO", "PW", "NO"}).Error,
              "the seven arguments DEVICE FW FR PW PR FIRMWARE-FILE PROJECT-FOLDER/ are needed, 5 given");
    EXPECT_EQ(ParseUpdateCommandLine({}).Error, "");
}

TEST(Arguments, TrailingSeparatorsGo) {
    const std::pair<const char*, const char*> cases[] = {{"p/", "p"}, {"a/b//", "a/b"}, {"a", "a"},
                                                         {"/", "/"},  {"./", "."},      {"", ""}};
    for (const auto& [typed, kept] : cases)
        EXPECT_EQ(WithoutTrailingSeparators(typed), kept) << typed;
}
