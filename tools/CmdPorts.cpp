#include "tools/Commands.h"

#include "serial/ComPortProbe.h"

#include <cstdio>

namespace {

void PrintHelp(std::FILE* out) {
    std::fprintf(out, "Usage: ze50321 ports [--dev DIR]\n\n"
                      "Lists the serial ports that exist, one device path per line, in natural order\n"
                      "(/dev/ttyS2 before /dev/ttyS10): ttyS*, ttyUSB*, ttyACM*, ttyAMA*, rfcomm*, the\n"
                      "links in serial/by-id/ and links tty* to a pseudo-terminal (such as the converter\n"
                      "simulator's). A port held by another program is listed too. Any listed path can be\n"
                      "given to the updater as its device.\n\n"
                      "  --dev DIR   look in DIR instead of /dev\n");
}

} // namespace

int RunPorts(const std::vector<std::string>& args) {
    if (WantsHelp(args)) {
        PrintHelp(stdout);
        return 0;
    }
    std::string devDir = DefaultPortFolder;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--dev" && i + 1 < args.size()) {
            devDir = args[++i];
        } else {
            std::fprintf(stderr, "ze50321 ports: unexpected argument '%s'\n\n", args[i].c_str());
            PrintHelp(stderr);
            return ExitUsage;
        }
    }
    while (devDir.size() > 1 && devDir.back() == '/')
        devDir.pop_back();
    const auto ports = ListComPorts(devDir);
    if (ports.empty())
        std::fprintf(stderr, "ze50321 ports: no serial ports found in %s\n", devDir.c_str());
    for (const auto& name : ports)
        std::printf("%s\n", ComPortPath(name, devDir).c_str());
    return 0;
}
