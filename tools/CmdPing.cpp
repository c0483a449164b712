#include "tools/Commands.h"

#include <cstdio>

int RunPing(const std::vector<std::string>& /*args*/) {
    std::fprintf(stderr, "ze50321 ping: not available in this build yet\n");
    return ExitUsage;
}
