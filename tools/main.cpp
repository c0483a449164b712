#include "tools/Commands.h"

#include "common/CommandArguments.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

const TToolCommand Commands[] = {
    {"project", "make a project folder as New project does", RunProject},
    {"params", "show or set a project's communication parameters (pargen.xml)", RunParams},
    {"build-image", "compile a project's Pargen.xml into bin/bank.bin", RunBuildImage},
    {"update", "update a converter over a serial line (the updater's seven arguments)", RunUpdate},
    {"read", "read a converter's firmware or configuration into a file", RunRead},
    {"verify", "compare a converter's memory with a firmware file and a project's image", RunVerify},
    {"station", "update a bench of converters at once, or each one that is plugged in", RunStation},
    {"simulate", "play a converter's boot loader on a pseudo-terminal", RunSimulate},
    {"ports", "list the serial ports", RunPorts},
    {"ping", "send one ICMP echo to a converter", RunPing},
    {"history", "show the commissioning record, filtered, as a table, JSON or CSV", RunHistory},
};

void PrintUsage(std::FILE* out) {
    std::fprintf(out, "Usage: ze50321 COMMAND [ARGUMENTS...]\n"
                      "       ze50321 COMMAND --help\n\n"
                      "Tools for the ZE50321 CAN / Ethernet converter.\n\nCommands:\n");
    for (const auto& c : Commands)
        std::fprintf(out, "  %-12s %s\n", c.Name, c.Summary);
}

} // namespace

int main(int argc, char** argv) {
    const TUtf8Console console;
    const std::vector<std::string> args = CommandArguments(argc, argv);
    if (args.empty()) {
        PrintUsage(stderr);
        return ExitUsage;
    }
    if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        PrintUsage(stdout);
        return 0;
    }
    for (const auto& c : Commands) {
        if (args[0] == c.Name)
            return c.Run(std::vector<std::string>(args.begin() + 1, args.end()));
    }
    std::fprintf(stderr, "ze50321: unknown command '%s'\n\n", args[0].c_str());
    PrintUsage(stderr);
    return ExitUsage;
}
