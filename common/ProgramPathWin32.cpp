#include "common/ProgramPath.h"

#include "common/WideTextWin32.h"

#include <windows.h>

const char* const PathSeparator = "\\";
// Windows takes "/" in paths as well, so a path given that way still has its folder found.
const char* const PathSeparators = "\\/";

std::string OwnProgramPath() {
    // A path longer than the buffer comes back cut to its size: grow until it fits.
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0)
            return std::string();
        if (length < path.size()) {
            path.resize(length);
            return Utf8FromWide(path);
        }
        path.resize(path.size() * 2);
    }
}

std::string InvokedProgramPath(const std::string& /*argv0*/) {
    // Windows names the program's own file as it was started, link or not.
    return OwnProgramPath();
}
