#include "common/ProgramPath.h"

#include <filesystem>
#include <system_error>

const char* const PathSeparator = "/";
const char* const PathSeparators = "/";

std::string OwnProgramPath() {
    std::error_code ec;
    const auto path = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : path.string();
}
