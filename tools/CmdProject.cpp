#include "tools/Arguments.h"

#include "common/Utf8Path.h"
#include "tools/Commands.h"
#include "tools/DeviceParams.h"
#include "tools/ParamSettings.h"
#include "tools/json/JsonWriter.h"

#include "configurator/NewProject.h"
#include "configurator/ParamFile.h"
#include "configurator/ProjectPaths.h"
#include "configurator/ProjectSession.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

namespace {

constexpr int ExitNotCreated = 1;

const char* const Help =
    "Usage: ze50321 project new [--json] PROGRAM_FOLDER NAME\n"
    "       ze50321 project new [--json] PROGRAM_FOLDER NAME --from-device DEVICE [--trace]\n"
    "                           [--give-up SECONDS] [--reset]\n\n"
    "Makes the project NAME as the configurator's New project does: the folder\n"
    "PROGRAM_FOLDER/PROJECTS/NAME (PROJECTS is made when missing) with its bin folder, no\n"
    "file in them. NAME is one folder name, taken as typed. Prints the project folder.\n\n"
    "With --from-device the converter's configuration region is read first (read\n"
    "commands only, its lines on standard error) and its image decoded; the project then\n"
    "gets the pargen.xml that Set Communication's OK writes for those values, so that\n"
    "'ze50321 build-image' compiles the same 29 bytes. A block that holds no image, or a\n"
    "read that fails, makes nothing. The read ends without the reset request unless\n"
    "--reset is given; --trace and --give-up are those of 'ze50321 read'. NAME is\n"
    "judged before the converter is read.\n\n"
    "With --json one JSON document goes to standard output (the project folder or null,\n"
    "the messages, with --from-device the read and the parameters, the error and the\n"
    "exit code); the text goes to standard error.\n\n"
    "Exit codes: 0 made; 1 refused (\"Name project not valid\", \"Name project not valid\n"
    "because directory already exists\"), the folder cannot be made, or (--from-device)\n"
    "device not found, the read failed, the block holds no image, or pargen.xml cannot be\n"
    "written; 64 usage; 130 Ctrl-C during the read (129 SIGHUP, 143 SIGTERM).\n";

// What project new did, for its document.
struct TProjectRun {
    const TDeviceReader* Reader = nullptr; // with --from-device
    const TDeviceParams* Found = nullptr;
    std::string Folder; // once made
    std::vector<std::string> Messages;
    std::string Error;
};

void PrintJson(const TProjectRun& run, int code) {
    TJsonWriter json;
    json.BeginObject();
    if (run.Reader) {
        run.Reader->WriteJsonMembers(json);
        json.Key("parameters");
        if (run.Found && run.Found->Decoded) {
            json.BeginObject();
            for (const auto& [name, value] : ShownParameters(run.Found->Values))
                json.Member(name, value);
            json.EndObject();
        } else {
            json.Null();
        }
        json.Member("image", run.Found ? run.Found->ImageHex : std::string());
    }
    json.Key("folder");
    if (run.Folder.empty())
        json.Null();
    else
        json.String(run.Folder);
    json.Member("created", !run.Folder.empty()).Key("messages").BeginArray();
    for (const auto& m : run.Messages)
        json.String(m);
    json.EndArray().Member("error", run.Error).Member("exit_code", code).EndObject();
    std::fputs(json.Text().c_str(), stdout);
}

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
    if (fromDevice && device.empty())
        parsed.Refuse("--from-device needs a device path");
    else if (!fromDevice && (options.Trace || options.Reset || parsed.Has("--give-up")))
        parsed.Refuse("--trace, --give-up and --reset go with --from-device only");
    parsed.NeedPositional(3, "new, PROGRAM_FOLDER and NAME are needed");
    if (parsed.Error.empty() && parsed.Positional[0] != "new")
        parsed.Refuse("unknown subcommand '" + parsed.Positional[0] + "' (only new)");
    if (!parsed.Error.empty())
        return UsageError("project", parsed.Error, Help, options.Json);
    const std::vector<std::string>& args = parsed.Positional;
    const std::string programFolder = WithoutTrailingSeparators(args[1]);
    TProjectSession session;
    session.SetProgramFolder(programFolder);
    const std::string& projects = session.Project().ProjectsDir;
    TProjectRun run;
    const auto end = [&run, &options](int code) {
        if (!run.Error.empty() && run.Messages.empty())
            std::fprintf(stderr, "ze50321 project: %s\n", run.Error.c_str());
        if (options.Json)
            PrintJson(run, code);
        return code;
    };
    const auto refused = [&run, &end](const std::vector<std::string>& messages) {
        run.Messages = messages;
        for (const auto& message : messages) {
            std::fprintf(stderr, "%s\n", message.c_str());
            run.Error += (run.Error.empty() ? "" : "; ") + message;
        }
        return end(ExitNotCreated);
    };

    std::optional<TParamValues> values;
    std::optional<TDeviceReader> reader;
    TDeviceParams found;
    if (fromDevice) {
        // The name is judged before the converter is read, and the read comes before anything is
        // made: a converter without an image leaves no project behind.
        if (const auto messages = NewProjectRefusals(projects, args[2]); !messages.empty())
            return refused(messages);
        reader.emplace(device, options, stderr);
        run.Reader = &*reader;
        found = ReadDeviceParams(*reader);
        run.Found = &found;
        if (!found.Decoded) {
            run.Error = found.Error; // the read has said it on the text already
            if (options.Json)
                PrintJson(run, found.Exit);
            return found.Exit;
        }
        values = found.Values;
    }
    const bool projectsMade = session.MakeProjectsFolder(); // as at the configurator's start: one level
    const TNewProjectOutcome outcome = session.NewProject(projects, args[2]);
    if (!outcome.Created) {
        if (outcome.Messages.empty())
            run.Error = "cannot make " + projects + "/" + args[2] + ": " +
                        (projectsMade ? "the folder cannot be created" : "no PROJECTS folder");
        return refused(outcome.Messages);
    }
    if (values) {
        pugi::xml_document doc;
        BuildParamTree(doc, *values);
        try {
            SaveParamDocument(doc, outcome.Folder + PathSeparator + WindowParamFileName);
        } catch (const std::exception& e) {
            run.Error = e.what();
            std::error_code ec;
            std::filesystem::remove_all(Utf8Path(outcome.Folder), ec); // made just now, and empty but for bin
            return end(ExitNotCreated);
        }
    }
    run.Folder = outcome.Folder;
    std::fprintf(options.Json ? stderr : stdout, "%s\n", outcome.Folder.c_str());
    return end(0);
}
