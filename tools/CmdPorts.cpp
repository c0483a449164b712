#include "tools/Arguments.h"
#include "tools/Commands.h"

#include "serial/ComPortProbe.h"
#include "serial/PortDiagnosis.h"
#include "tools/DiagnosisJson.h"

#include <cstdio>

namespace {

constexpr int ExitAllOpen = 0;
constexpr int ExitSomeDoNotOpen = 1;

std::string Help() {
    return "Usage: ze50321 ports [--json] [--dev DIR] [--user-ports DIR]\n"
           "       ze50321 ports [--json] [--dev DIR] [--user-ports DIR] --check [DEVICE]\n"
           "       ze50321 ports --user-folder\n\n"
           "Lists the serial ports that exist, one device path per line, in natural order\n"
           "(/dev/ttyS2 before /dev/ttyS10): ttyS*, ttyUSB*, ttyACM*, ttyAMA*, rfcomm*, the\n"
           "links in serial/by-id/ and links tty* to a pseudo-terminal (such as the converter\n"
           "simulator's), then the ports linked in your own port folder (where a virtual port\n"
           "goes when /dev is not yours to write). A port held by another program is listed\n"
           "too. Any listed path can be given to the updater as its device.\n\n"
           "  --dev DIR         look in DIR instead of /dev\n"
           "  --user-ports DIR  take DIR as your port folder\n"
           "  --user-folder     print your port folder (" +
           UserPortFolder() +
           ") and stop\n"
           "  --check           the port doctor: says of DEVICE (or of every listed port) whether\n"
           "                    it exists, is a terminal and opens for this user, and if not why:\n"
           "                    the permission and its group (with the command that joins it), the\n"
           "                    programs holding it, a running ModemManager; and what is behind it,\n"
           "                    a pseudo-terminal or an adapter with its driver and USB product name\n"
           "  --json            one JSON document on standard output: {\"ports\": [{\"path\": ...}]},\n"
           "                    with --check each port with its findings and their \"text\"\n\n"
           "Exit codes: 0 listed, or every checked port opens; 1 a checked port does not open\n"
           "(or --check found no port); 64 usage.\n";
}

} // namespace

int RunPorts(const std::vector<std::string>& arguments) {
    const bool check = TArguments(arguments, {{"--check"}}, arguments.size()).Has("--check");
    TArguments parsed(arguments,
                      {{"--json"}, {"--check"}, {"--user-folder"}, {"--dev", true}, {"--user-ports", true}},
                      check ? 1 : 0);
    if (parsed.Help) {
        std::fputs(Help().c_str(), stdout);
        return 0;
    }
    const bool json = parsed.Has("--json");
    // The default stays whole: on Windows it is the device namespace \\.\ with its separator.
    const auto givenDevDir = parsed.Value("--dev");
    const std::string devDir = givenDevDir ? WithoutTrailingSeparators(*givenDevDir) : DefaultPortFolder;
    const std::string userDir = parsed.Value("--user-ports").value_or(UserPortFolder());
    if (parsed.Has("--user-folder") && arguments.size() != 1)
        parsed.Refuse("--user-folder goes alone");
    if (!parsed.Error.empty())
        return UsageError("ports", parsed.Error, Help(), json);
    if (parsed.Has("--user-folder")) {
        std::printf("%s\n", userDir.c_str());
        return 0;
    }
    std::vector<std::string> devices = parsed.Positional;
    if (devices.empty()) {
        for (const auto& name : ListComPorts(devDir))
            devices.push_back(ComPortPath(name, devDir));
        for (const auto& path : ListUserComPorts(userDir))
            devices.push_back(path);
        if (devices.empty() && userDir.empty())
            std::fprintf(stderr, "ze50321 ports: no serial ports found in %s\n", devDir.c_str());
        else if (devices.empty())
            std::fprintf(stderr, "ze50321 ports: no serial ports found in %s nor in %s\n", devDir.c_str(),
                         userDir.c_str());
    }
    TJsonWriter doc;
    doc.BeginObject().Key("ports").BeginArray();
    int code = check && devices.empty() ? ExitSomeDoNotOpen : ExitAllOpen;
    for (const auto& path : devices) {
        if (!check) {
            doc.BeginObject().Member("path", path).EndObject();
            std::fprintf(json ? stderr : stdout, "%s\n", path.c_str());
            continue;
        }
        const TPortDiagnosis d = DiagnosePort(path);
        WriteDiagnosisJson(doc, d);
        std::fputs(FormatPortDiagnosis(d).c_str(), json ? stderr : stdout);
        if (d.Verdict != TPortVerdict::Opens)
            code = ExitSomeDoNotOpen;
    }
    doc.EndArray().Member("exit_code", code).EndObject();
    if (json)
        std::fputs(doc.Text().c_str(), stdout);
    return code;
}
