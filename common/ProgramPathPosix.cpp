#include "common/ProgramPath.h"

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <system_error>

#include <unistd.h>

namespace fs = std::filesystem;

namespace {

bool IsExecutableFile(const fs::path& path) {
    std::error_code ec;
    return fs::is_regular_file(path, ec) && ::access(path.c_str(), X_OK) == 0;
}

std::string FoundInPath(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::istringstream folders(path ? path : "");
    std::string folder;
    while (std::getline(folders, folder, ':')) {
        const fs::path candidate = fs::path(folder.empty() ? "." : folder) / name;
        if (IsExecutableFile(candidate))
            return candidate.string();
    }
    return std::string();
}

} // namespace
const char* const PathSeparator = "/";
const char* const PathSeparators = "/";

std::string OwnProgramPath() {
    std::error_code ec;
    const auto path = fs::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : path.string();
}

std::string InvokedProgramPath(const std::string& argv0) {
    std::string started = argv0;
    if (started.find('/') == std::string::npos)
        started = FoundInPath(started);
    std::error_code ec;
    if (started.empty() || !IsExecutableFile(started))
        return OwnProgramPath();
    // Lexically only: "." and ".." parts go, links stay as they were named.
    const fs::path absolute = fs::absolute(started, ec);
    return ec ? OwnProgramPath() : absolute.lexically_normal().string();
}
