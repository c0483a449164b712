#include "tools/Commands.h"
#include "tools/DeviceParams.h"

#include "configurator/NewProject.h"
#include "configurator/ParamFile.h"
#include "configurator/ProjectPaths.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <system_error>

namespace {

constexpr int ExitNotCreated = 1;

void PrintHelp(std::FILE* out) {
    std::fprintf(out, "Usage: ze50321 project new PROGRAM_FOLDER NAME\n"
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
                      "written; 64 usage; 130 Ctrl-C during the read (129 SIGHUP, 143 SIGTERM).\n");
}

} // namespace

int RunProject(const std::vector<std::string>& arguments) {
    std::vector<std::string> args = arguments;
    if (WantsHelp(args)) {
        PrintHelp(stdout);
        return 0;
    }
    TDeviceReadOptions options;
    std::string why, device;
    const bool fromDevice = std::find(args.begin(), args.end(), "--from-device") != args.end();
    if (fromDevice &&
        (!TakeDeviceReadOptions(args, options, why) || !TakeOptionValue(args, "--from-device", device, why) ||
         device.empty() || options.Json)) {
        std::fprintf(stderr, "ze50321 project: %s\n\n",
                     options.Json  ? "--json does not go with project new"
                     : why.empty() ? "--from-device needs a device path"
                                   : why.c_str());
        PrintHelp(stderr);
        return ExitUsage;
    }
    if (args.size() != 3 || args[0] != "new") {
        PrintHelp(stderr);
        return ExitUsage;
    }
    std::optional<TParamValues> values;
    if (fromDevice) {
        // Read before anything is made: a converter without an image leaves no project behind.
        TDeviceReader reader(device, options, stderr);
        const TDeviceParams found = ReadDeviceParams(reader);
        if (!found.Decoded)
            return found.Exit;
        values = found.Values;
    }
    std::string programFolder = args[1];
    while (programFolder.size() > 1 && programFolder.back() == '/')
        programFolder.pop_back();
    const std::string projects = programFolder + PathSeparator + "PROJECTS";
    std::error_code ec;
    std::filesystem::create_directory(projects, ec); // as at the configurator's start: one level
    const TNewProjectOutcome outcome = MakeNewProject(projects, args[2]);
    for (const auto& message : outcome.Messages)
        std::fprintf(stderr, "%s\n", message.c_str());
    if (!outcome.Created) {
        if (outcome.Messages.empty())
            std::fprintf(stderr, "ze50321 project: cannot make %s/%s: %s\n", projects.c_str(),
                         args[2].c_str(),
                         std::filesystem::is_directory(projects, ec) ? "the folder cannot be created"
                                                                     : "no PROJECTS folder");
        return ExitNotCreated;
    }
    if (values) {
        pugi::xml_document doc;
        BuildParamTree(doc, *values);
        try {
            SaveParamDocument(doc, outcome.Folder + PathSeparator + WindowParamFileName);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "ze50321 project: %s\n", e.what());
            std::filesystem::remove_all(outcome.Folder, ec); // made just now, and empty but for bin
            return ExitNotCreated;
        }
    }
    std::printf("%s\n", outcome.Folder.c_str());
    return 0;
}
