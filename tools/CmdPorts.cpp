#include "tools/Commands.h"

#include <cstdio>

int RunPorts(const std::vector<std::string>& /*args*/) {
    std::fprintf(stderr, "ze50321 ports: not available in this build yet\n");
    return ExitUsage;
}
