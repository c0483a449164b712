#include "tools/Arguments.h"

#include "common/Utf8Path.h"
#include "tools/Commands.h"
#include "tools/DeviceParams.h"

#include "configurator/ParamFile.h"
#include "configurator/ProjectPaths.h"
#include "configurator/ProjectSession.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <system_error>

namespace {

constexpr int ExitNotCreated = 1;

const char* const Help =
    "Usage: ze50321 project new PROGRAM_FOLDER NAME\n"
    "       ze50321 project new PROGRAM_FOLDER NAME --from-device DEVICE [--trace]\n"
    "                           [--give-up SECONDS] [--reset]\n\n"
    "Makes the project NAME as the configurator's New project does: the folder\n"
    "PROGRAM_FOLDER/PROJECTS/NAME (PROJECTS is made when missing) with its bin folder, no\n"
    "file in them. NAME is one folder name, taken as typed. Prints the project folder.\n\n"
    "With --from-device the converter's configuration region is read first (read\n"
    "commands only, its lines on standard error) and its image decoded; the project then\n"
    "gets the pargen.xml that Set Communication's OK writes for those values, so that\n"
    "'ze50321 build-image' compiles the same 29 bytes. A block that holds no image, or a\n"
    "read that fails, makes nothing. The read ends without the reset request unless\n"
    "--reset is given; --trace and --give-up are those of 'ze50321 read'.\n\n"
    "Exit codes: 0 made; 1 refused (\"Name project not valid\", \"Name project not valid\n"
    "because directory already exists\"), the folder cannot be made, or (--from-device)\n"
    "device not found, the read failed, the block holds no image, or pargen.xml cannot be\n"
    "written; 64 usage; 130 Ctrl-C during the read (129 SIGHUP, 143 SIGTERM).\n";

} // namespace

int RunProject(const std::vector<std::string>& arguments) {
    std::vector<TOptionRule> rules = DeviceReadOptionRules();
    rules.push_back({"--from-device", true});
    TArguments parsed(arguments, rules, 3);
    if (parsed.Help) {
        std::fputs(Help, stdout);
        return 0;
    }
    const TDeviceReadOptions options = DeviceReadOptionsOf(parsed);
    const bool fromDevice = parsed.Has("--from-device");
    const std::string device = parsed.Value("--from-device").value_or("");
    if (options.Json)
        parsed.Refuse("--json does not go with project new");
    else if (fromDevice && device.empty())
        parsed.Refuse("--from-device needs a device path");
    else if (!fromDevice && (options.Trace || options.Reset || parsed.Has("--give-up")))
        parsed.Refuse("--trace, --give-up and --reset go with --from-device only");
    parsed.NeedPositional(3, "new, PROGRAM_FOLDER and NAME are needed");
    if (parsed.Error.empty() && parsed.Positional[0] != "new")
        parsed.Refuse("unknown subcommand '" + parsed.Positional[0] + "' (only new)");
    if (!parsed.Error.empty()) {
        return UsageError("project", parsed.Error, Help);
    }
    const std::vector<std::string>& args = parsed.Positional;
    std::optional<TParamValues> values;
    if (fromDevice) {
        // Read before anything is made: a converter without an image leaves no project behind.
        TDeviceReader reader(device, options, stderr);
        const TDeviceParams found = ReadDeviceParams(reader);
        if (!found.Decoded)
            return found.Exit;
        values = found.Values;
    }
    const std::string programFolder = WithoutTrailingSeparators(args[1]);
    TProjectSession session;
    session.SetProgramFolder(programFolder);
    const std::string& projects = session.Project().ProjectsDir;
    const bool projectsMade = session.MakeProjectsFolder(); // as at the configurator's start: one level
    const TNewProjectOutcome outcome = session.NewProject(projects, args[2]);
    for (const auto& message : outcome.Messages)
        std::fprintf(stderr, "%s\n", message.c_str());
    if (!outcome.Created) {
        if (outcome.Messages.empty())
            std::fprintf(stderr, "ze50321 project: cannot make %s/%s: %s\n", projects.c_str(),
                         args[2].c_str(),
                         projectsMade ? "the folder cannot be created" : "no PROJECTS folder");
        return ExitNotCreated;
    }
    if (values) {
        pugi::xml_document doc;
        BuildParamTree(doc, *values);
        try {
            SaveParamDocument(doc, outcome.Folder + PathSeparator + WindowParamFileName);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "ze50321 project: %s\n", e.what());
            std::error_code ec;
            std::filesystem::remove_all(Utf8Path(outcome.Folder), ec); // made just now, and empty but for bin
            return ExitNotCreated;
        }
    }
    std::printf("%s\n", outcome.Folder.c_str());
    return 0;
}
