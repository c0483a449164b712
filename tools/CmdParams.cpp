#include "tools/Arguments.h"

#include "common/Utf8Path.h"
#include "tools/Commands.h"
#include "tools/DeviceParams.h"
#include "tools/ParamSettings.h"
#include "tools/json/JsonWriter.h"

#include "configurator/ProjectSession.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <system_error>
#include <utility>

namespace {

constexpr int ExitRefused = 1; // a check failed or the file cannot be written

const char* const Help =
    "Usage: ze50321 params [--json] PROJECT_FOLDER [--set NAME=VALUE ...]\n"
    "       ze50321 params --device DEVICE [--json] [--trace] [--give-up SECONDS] [--reset]\n"
    "\n"
    "Shows the project's communication parameters as the Set Communication window shows them (a\n"
    "missing or unreadable value takes the window's fallback, a missing or broken file the defaults),\n"
    "one NAME=VALUE a line. With --set the values are changed, the window's seventeen checks run in\n"
    "their order, and pargen.xml is written exactly as the window's OK writes it; when a check fails\n"
    "its message goes to standard error and nothing is written.\n"
    "\n"
    "Names and values:\n"
    "  can-bitrate=20K|50K|100K|125K|250K|500K|800K|1000K|22.22K\n"
    "  can-frame=2.0A|2.0B         CAN Bus 2.0A (CobID 11Bit) or 2.0B (CobID 29Bit)\n"
    "  ip=A.B.C.D                  the converter's IP ADDRESS\n"
    "  mask=A.B.C.D                SUBNET Mask\n"
    "  gateway=off|on|A.B.C.D      GATEWAY: off, on, or on with this address\n"
    "  gateway-address=A.B.C.D     the gateway's address without switching it\n"
    "  dest=A.B.C.D                IP ADDRESS DESTINATION\n"
    "  port=N                      Port, 0 to 65535\n"
    "  transport=tcp|udp\n"
    "  multiframe=on|off           Enable Multiframe in Ethernet\n"
    "  role=client-server|server   Client/Server or Only Server (shown with TCP)\n"
    "  udp-broadcast=on|off        UDP Broadcast (shown with UDP)\n"
    "Octets and the port are kept as typed (\"010\" stays \"010\"), as in the window.\n"
    "\n"
    "  --json   one JSON document on standard output: the parameters, whether the file was\n"
    "           written, the failed check, the exit code; the text goes to standard error\n"
    "\n"
    "With --device the parameters come from a converter's configuration image, read over the serial\n"
    "line ('ze50321 params --device --help' tells more).\n"
    "\n"
    "Exit codes: 0 shown or written; 1 a check failed or the file cannot be written; 64 usage.\n";

// What the window would show: its defaults, then the file's values with their fallbacks.
TParamValues ReadAsWindow(const TProjectSession& session, bool& exists) {
    pugi::xml_document doc;
    TWindowParams read;
    const TParamSource source = session.LoadParams(doc, read);
    exists = source != TParamSource::NoFile;
    if (source != TParamSource::File)
        return TParamValues{}; // a file that does not parse leaves the defaults
    TParamValues v = read.Values;
    v.CanBr = ShownCanBr(v.CanBr);
    return v;
}

} // namespace

int RunParams(const std::vector<std::string>& arguments) {
    for (const auto& a : arguments) {
        if (a == "--")
            break;
        if (a == "--device" || a.rfind("--device=", 0) == 0)
            return RunParamsFromDevice(arguments);
    }
    // PROJECT_FOLDER, then with --set the settings.
    const bool setting = TArguments(arguments, {{"--json"}, {"--set"}}, arguments.size()).Has("--set");
    TArguments parsed(arguments, {{"--json"}, {"--set"}}, setting ? arguments.size() : 1);
    if (parsed.Help) {
        std::fputs(Help, stdout);
        return 0;
    }
    const bool json = parsed.Has("--json");
    parsed.NeedPositional(1, "PROJECT_FOLDER is needed");
    if (setting)
        parsed.NeedPositional(2, "--set needs NAME=VALUE");
    std::error_code ec;
    if (!parsed.Positional.empty() && !std::filesystem::is_directory(Utf8Path(parsed.Positional[0]), ec))
        parsed.Refuse(parsed.Positional[0] + " is not a folder");
    if (!parsed.Error.empty())
        return UsageError("params", parsed.Error, Help, json);
    const std::string folder = WithoutTrailingSeparators(parsed.Positional[0]);
    const std::vector<std::string> settings(parsed.Positional.begin() + 1, parsed.Positional.end());
    TProjectSession session;
    session.UseProjectFolder(folder);
    const std::string path = session.ParamFilePath();

    bool exists = false;
    TParamValues values = ReadAsWindow(session, exists);
    for (const auto& s : settings) {
        std::string why;
        if (!ApplySetting(s, values, why))
            return UsageError("params", why, Help, json);
    }

    int code = 0;
    bool written = false;
    std::optional<TParamCheckFailure> failed;
    std::string error;
    if (setting) {
        pugi::xml_document doc;
        try {
            failed = session.SaveParams(doc, values);
            written = !failed;
            if (failed)
                error = failed->Message;
        } catch (const std::exception& e) {
            error = e.what();
        }
        if (!written)
            code = ExitRefused;
        if (!error.empty())
            std::fprintf(stderr, "%s\n", error.c_str());
    }
    // Shown after a set only when it was written: what the window would now show.
    std::FILE* const text = json ? stderr : stdout;
    if (!setting || written)
        for (const auto& [name, value] : ShownParameters(values))
            std::fprintf(text, "%s=%s\n", name.c_str(), value.c_str());
    if (json) {
        TJsonWriter doc;
        doc.BeginObject().Member("file", path).Member("file_existed", exists).Key("parameters").BeginObject();
        for (const auto& [name, value] : ShownParameters(values))
            doc.Member(name, value);
        doc.EndObject().Member("written", written).Key("failed_check");
        if (failed)
            doc.BeginObject()
                .Member("number", failed->Number)
                .Member("field", failed->Field)
                .Member("message", failed->Message)
                .EndObject();
        else
            doc.Null();
        doc.Member("error", error).Member("exit_code", code).EndObject();
        std::fputs(doc.Text().c_str(), stdout);
    }
    return code;
}
