#include "tools/Commands.h"

#include <cstdio>

int RunSimulate(const std::vector<std::string>& /*args*/) {
    std::fprintf(stderr, "ze50321 simulate: not available in this build yet\n");
    return ExitUsage;
}
