#include "common/ProgramPath.h"

#include <filesystem>
#include <system_error>

std::string OwnProgramPath() {
    std::error_code ec;
    const auto path = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : path.string();
}
