#include "tools/Commands.h"

#include "serial/ComPortProbe.h"

#include <cstdio>

namespace {

const char* const DefaultDevDir = "/dev";

void PrintHelp(std::FILE* out) {
    std::fprintf(out,
                 "Usage: ze50321 ports [--dev DIR] [--user-ports DIR]\n"
                 "       ze50321 ports --user-folder\n\n"
                 "Lists the serial ports that exist, one device path per line, in natural order\n"
                 "(/dev/ttyS2 before /dev/ttyS10): ttyS*, ttyUSB*, ttyACM*, ttyAMA*, rfcomm*, the\n"
                 "links in serial/by-id/ and links tty* to a pseudo-terminal (such as the converter\n"
                 "simulator's), then the ports linked in your own port folder (where a virtual port\n"
                 "goes when /dev is not yours to write). A port held by another program is listed\n"
                 "too. Any listed path can be given to the updater as its device.\n\n"
                 "  --dev DIR         look in DIR instead of /dev\n"
                 "  --user-ports DIR  take DIR as your port folder\n"
                 "  --user-folder     print your port folder (%s) and stop\n",
                 UserPortFolder().c_str());
}

} // namespace

int RunPorts(const std::vector<std::string>& args) {
    if (WantsHelp(args)) {
        PrintHelp(stdout);
        return 0;
    }
    std::string devDir = DefaultDevDir;
    std::string userDir = UserPortFolder();
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--dev" && i + 1 < args.size()) {
            devDir = args[++i];
        } else if (args[i] == "--user-ports" && i + 1 < args.size()) {
            userDir = args[++i];
        } else if (args[i] == "--user-folder" && args.size() == 1) {
            std::printf("%s\n", userDir.c_str());
            return 0;
        } else {
            std::fprintf(stderr, "ze50321 ports: unexpected argument '%s'\n\n", args[i].c_str());
            PrintHelp(stderr);
            return ExitUsage;
        }
    }
    while (devDir.size() > 1 && devDir.back() == '/')
        devDir.pop_back();
    const auto ports = ListComPorts(devDir);
    const auto userPorts = ListUserComPorts(userDir);
    if (ports.empty() && userPorts.empty())
        std::fprintf(stderr, "ze50321 ports: no serial ports found in %s nor in %s\n", devDir.c_str(),
                     userDir.c_str());
    for (const auto& name : ports)
        std::printf("%s/%s\n", devDir == "/" ? "" : devDir.c_str(), name.c_str());
    for (const auto& path : userPorts)
        std::printf("%s\n", path.c_str());
    return 0;
}
