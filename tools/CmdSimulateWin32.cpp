#include "tools/Commands.h"

#include <cstdio>

// The simulator serves on a pseudo-terminal; Windows has none. A converter simulated on Linux can
// still be reached from Windows through a serial line or, under wine, a COM port mapped to it.
int RunSimulate(const std::vector<std::string>& /*args*/) {
    std::fprintf(stderr,
                 "ze50321 simulate: not available on Windows: the simulator needs a pseudo-terminal.\n"
                 "Run 'ze50321 simulate' on Linux and reach it through a serial line.\n");
    return ExitUsage;
}
