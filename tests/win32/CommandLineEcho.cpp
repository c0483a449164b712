// A helper of RunAndWaitWin32Test: writes the command line it was started with to the file that
// ZE_ECHO_FILE names, the arguments the updater takes from it, one a line, to the file that
// ZE_ECHO_ARGUMENTS_FILE names, and ends with the number of arguments the runtime split it into.

#include "updater/ProcessArguments.h"

#include <cstdio>
#include <cstdlib>

#include <windows.h>

namespace {

void WriteTo(const char* variable, const std::string& text) {
    if (const char* path = std::getenv(variable)) {
        if (std::FILE* out = std::fopen(path, "wb")) {
            std::fputs(text.c_str(), out);
            std::fclose(out);
        }
    }
}

} // namespace

int main(int argc, char** argv) {
    WriteTo("ZE_ECHO_FILE", GetCommandLineA());
    std::string lines;
    for (const auto& argument : ProcessArguments(argc, argv))
        lines += argument + "\n";
    WriteTo("ZE_ECHO_ARGUMENTS_FILE", lines);
    return argc - 1;
}
