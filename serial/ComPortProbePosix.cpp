#include "serial/ComPortProbe.h"

#include "common/UniqueFd.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

const char* const DefaultPortFolder = "/dev";

namespace {

const char* const NodePrefixes[] = {"ttyS", "ttyUSB", "ttyACM", "ttyAMA", "rfcomm"};
const char* const PtsFolder = "/dev/pts/";
const char* const ByIdFolder = "serial/by-id";

bool AllDigits(const std::string& s, size_t from) {
    return from < s.size() && std::all_of(s.begin() + static_cast<std::ptrdiff_t>(from), s.end(),
                                          [](unsigned char c) { return std::isdigit(c) != 0; });
}

bool IsSerialNodeName(const std::string& name) {
    for (const char* prefix : NodePrefixes) {
        const std::string p = prefix;
        if (name.compare(0, p.size(), p) == 0 && AllDigits(name, p.size()))
            return true;
    }
    return false;
}

// A link tty* whose final target is a pseudo-terminal slave /dev/pts/N.
bool IsLinkToPseudoTerminal(const fs::path& path, const std::string& name) {
    std::error_code ec;
    if (name.compare(0, 3, "tty") != 0 || !fs::is_symlink(fs::symlink_status(path, ec)))
        return false;
    const std::string target = fs::canonical(path, ec).string();
    const std::string pts = PtsFolder;
    return !ec && target.compare(0, pts.size(), pts) == 0 && AllDigits(target, pts.size());
}

bool PortExists(const std::string& path) {
    TUniqueFd fd(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    struct stat st {};
    if (fd.Valid())
        return ::fstat(fd.Get(), &st) == 0 && S_ISCHR(st.st_mode) && ::isatty(fd.Get());
    // Held by another program or not ours to open: the port is there all the same.
    const int error = errno;
    return (error == EACCES || error == EBUSY) && ::stat(path.c_str(), &st) == 0 && S_ISCHR(st.st_mode);
}

// Owned by this user and writable by no one else.
bool IsOwnPrivateFolder(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() &&
           (st.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

} // namespace

std::vector<std::string> ListComPorts(const std::string& devDir) {
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(devDir, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (IsSerialNodeName(name) || IsLinkToPseudoTerminal(it->path(), name))
            names.push_back(name);
    }
    const fs::path byId = fs::path(devDir) / ByIdFolder;
    for (fs::directory_iterator it(byId, ec), end; !ec && it != end; it.increment(ec))
        names.push_back(std::string(ByIdFolder) + "/" + it->path().filename().string());

    std::vector<std::string> ports;
    for (const auto& name : names) {
        if (PortExists(ComPortPath(name, devDir)))
            ports.push_back(name);
    }
    std::sort(ports.begin(), ports.end(), NaturalLess);
    return ports;
}

std::string UserPortFolder() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && runtime[0] == '/')
        return std::string(runtime) + "/ze50321/ports";
    return "/tmp/ze50321-" + std::to_string(::geteuid()) + "/ports";
}

std::vector<std::string> ListUserComPorts(const std::string& folder) {
    std::vector<std::string> ports;
    if (!IsOwnPrivateFolder(folder) || !IsOwnPrivateFolder(fs::path(folder).parent_path().string()))
        return ports;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string path = it->path().string();
        if (PortExists(path))
            ports.push_back(path);
    }
    std::sort(ports.begin(), ports.end(), NaturalLess);
    return ports;
}

std::string ComPortPath(const std::string& name, const std::string& devDir) {
    // A per-user port is listed by its full path already.
    if (!name.empty() && name[0] == '/')
        return name;
    std::string folder = devDir;
    while (!folder.empty() && folder.back() == '/')
        folder.pop_back();
    return folder + "/" + name;
}
