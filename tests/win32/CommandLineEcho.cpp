// A helper of RunAndWaitWin32Test: writes the command line it was started with to the file that
// ZE_ECHO_FILE names, and ends with the number of arguments the runtime split it into.

#include <cstdio>
#include <cstdlib>

#include <windows.h>

int main(int argc, char**) {
    if (const char* path = std::getenv("ZE_ECHO_FILE")) {
        if (std::FILE* out = std::fopen(path, "wb")) {
            std::fputs(GetCommandLineA(), out);
            std::fclose(out);
        }
    }
    return argc - 1;
}
