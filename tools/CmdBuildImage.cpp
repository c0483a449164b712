#include "tools/Commands.h"

#include <cstdio>

int RunBuildImage(const std::vector<std::string>& /*args*/) {
    std::fprintf(stderr, "ze50321 build-image: not available in this build yet\n");
    return ExitUsage;
}
