#include "tools/Commands.h"

#include <cstdio>

int RunUpdate(const std::vector<std::string>& /*args*/) {
    std::fprintf(stderr, "ze50321 update: not available in this build yet\n");
    return ExitUsage;
}
