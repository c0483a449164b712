#include "tools/Arguments.h"

#include "common/Utf8Path.h"
#include "tools/Commands.h"
#include "tools/json/JsonWriter.h"

#include "common/FileContract.h"
#include "common/ProgramPath.h"
#include "configurator/ProjectSession.h"

#include <cstdio>
#include <exception>
#include <filesystem>

namespace {

const char* const Help =
    "Usage: ze50321 build-image [--json] PROJECT_FOLDER\n\n"
    "Compiles the project's parameter file PROJECT_FOLDER/Pargen.xml (its name matched\n"
    "without regard to letter case) into the configuration image PROJECT_FOLDER/bin/bank.bin,\n"
    "exactly as the configurator's \"Update Via Serial\" does, and prints the image as\n"
    "hexadecimal bytes. Without a parameter file the image is the 4-byte header.\n\n"
    "Exit codes: 0 built and written; 1 the file does not compile or the image cannot be\n"
    "written (the reason goes to standard error); 64 no project folder given.\n"
    "With --json: one JSON document on standard output (project, image path, length, hex bytes,\n"
    "error, exit code); the text then goes to standard error.\n";

} // namespace

void PrintJson(const std::string& folder, const TImage& image, const std::string& hex,
               const std::string& error, int code) {
    std::fputs(TJsonWriter()
                   .BeginObject()
                   .Member("project", folder)
                   .Member("image",
                           code == 0 ? folder + PathSeparator + ImageFolder() + ImageFileName : std::string())
                   .Member("length", code == 0 ? static_cast<int>(image.size()) : 0)
                   .Member("bytes", hex)
                   .Member("error", error)
                   .Member("exit_code", code)
                   .EndObject()
                   .Text()
                   .c_str(),
               stdout);
}

int RunBuildImage(const std::vector<std::string>& arguments) {
    TArguments parsed(arguments, {{"--json"}}, 1);
    if (parsed.Help) {
        std::fputs(Help, stdout);
        return 0;
    }
    const bool json = parsed.Has("--json");
    parsed.NeedPositional(1, "PROJECT_FOLDER is needed");
    std::error_code ec;
    if (!parsed.Positional.empty() && !std::filesystem::is_directory(Utf8Path(parsed.Positional[0]), ec))
        parsed.Refuse(parsed.Positional[0] + " is not a folder");
    if (!parsed.Error.empty())
        return UsageError("build-image", parsed.Error, Help, json);
    const std::string folder = WithoutTrailingSeparators(parsed.Positional[0]);
    TImage image;
    try {
        TProjectSession session;
        session.UseProjectFolder(folder);
        image = session.BuildAndWriteImage();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        if (json)
            PrintJson(folder, TImage(), "", e.what(), 1);
        return 1;
    }
    std::string hex;
    for (std::size_t i = 0; i < image.size(); ++i) {
        char byte[4];
        std::snprintf(byte, sizeof byte, i == 0 ? "%02X" : " %02X", image[i]);
        hex += byte;
    }
    std::fprintf(json ? stderr : stdout, "%s\n", hex.c_str());
    if (json)
        PrintJson(folder, image, hex, "", 0);
    return 0;
}
