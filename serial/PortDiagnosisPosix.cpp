#include "serial/PortDiagnosis.h"

#include "common/SystemError.h"
#include "common/UniqueFd.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <set>
#include <sstream>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

// Majors of the pseudo-terminal slaves (/dev/pts/N).
constexpr unsigned FirstPtyMajor = 136;
constexpr unsigned LastPtyMajor = 143;

struct TDirCloser {
    void operator()(DIR* d) const { ::closedir(d); }
};
using TDir = std::unique_ptr<DIR, TDirCloser>;

std::string FirstLine(const std::string& path) {
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    return line;
}

std::string LinkTarget(const std::string& path) {
    char buffer[PATH_MAX];
    const ssize_t n = ::readlink(path.c_str(), buffer, sizeof buffer - 1);
    return n > 0 ? std::string(buffer, static_cast<std::size_t>(n)) : std::string();
}

std::string BaseName(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string KindOf(mode_t mode) {
    if (S_ISREG(mode))
        return "regular file";
    if (S_ISDIR(mode))
        return "folder";
    if (S_ISFIFO(mode))
        return "pipe";
    if (S_ISSOCK(mode))
        return "socket";
    if (S_ISBLK(mode))
        return "block device";
    if (S_ISCHR(mode))
        return "character device";
    return "special file";
}

bool IsProcessId(const char* name) {
    return *name && std::all_of(name, name + std::strlen(name), [](char c) { return c >= '0' && c <= '9'; });
}

// The processes holding a whole-file lock (flock) on the node, from /proc/locks: lines such as
// "1: FLOCK  ADVISORY  WRITE 3016 00:1a:5 0 EOF", the node as major:minor (hex) and inode.
std::set<int> LockingProcesses(const struct stat& node) {
    std::set<int> pids;
    std::ifstream in("/proc/locks");
    std::string line;
    char wanted[48];
    std::snprintf(wanted, sizeof wanted, "%02x:%02x:%llu", major(node.st_dev), minor(node.st_dev),
                  static_cast<unsigned long long>(node.st_ino));
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::string number, kind, mode, access, where;
        int pid = 0;
        if (words >> number >> kind >> mode >> access >> pid >> where && kind == "FLOCK" && where == wanted)
            pids.insert(pid);
    }
    return pids;
}

// A running ModemManager and, for a node, the programs that have it open and hold it, from /proc.
void ScanProcesses(const struct stat* node, TPortDiagnosis& d) {
    const std::set<int> lockers = node ? LockingProcesses(*node) : std::set<int>();
    const TDir proc(::opendir("/proc"));
    if (!proc)
        return;
    while (const dirent* e = ::readdir(proc.get())) {
        if (!IsProcessId(e->d_name))
            continue;
        const int pid = std::atoi(e->d_name);
        const std::string base = std::string("/proc/") + e->d_name;
        const std::string name = FirstLine(base + "/comm");
        if (name == "ModemManager")
            d.ModemManager = {pid, name};
        if (lockers.count(pid))
            d.Lockers.push_back({pid, name});
        if (!node)
            continue;
        const TDir fds(::opendir((base + "/fd").c_str()));
        if (!fds)
            continue; // another user's process
        while (const dirent* f = ::readdir(fds.get())) {
            struct stat st {};
            if (f->d_name[0] != '.' && ::stat((base + "/fd/" + f->d_name).c_str(), &st) == 0 &&
                S_ISCHR(st.st_mode) && st.st_rdev == node->st_rdev) {
                d.Holders.push_back({pid, name});
                break;
            }
        }
    }
}

// The UART a serial core driver reports in its "type" attribute (the kernel's PORT_* numbers);
// empty for none found and for types without a common name.
std::string UartName(const std::string& type) {
    static const char* const Names[] = {"",       "8250",  "16450",   "16550", "16550A",
                                        "",       "16650", "16650V2", "16750", "",
                                        "16C950", "16654", "16850",   "",      "NS16550A"};
    if (type.empty() || type.find_first_not_of("0123456789") != std::string::npos || type.size() > 3)
        return std::string();
    const std::size_t n = static_cast<std::size_t>(std::stoi(type));
    return n < sizeof Names / sizeof Names[0] ? Names[n] : std::string();
}

// The driver and, for a USB adapter, its strings, from sysfs.
void ReadSysfs(dev_t device, TPortDiagnosis& d) {
    const std::string tty =
        "/sys/dev/char/" + std::to_string(major(device)) + ":" + std::to_string(minor(device));
    const std::string node = tty + "/device";
    d.Driver = BaseName(LinkTarget(node + "/driver"));
    d.Uart = UartName(FirstLine(tty + "/type"));
    char resolved[PATH_MAX];
    if (!::realpath(node.c_str(), resolved))
        return;
    // The USB device is the first parent that carries a vendor number.
    for (std::string dir = resolved; dir.size() > std::strlen("/sys/devices"); dir.resize(dir.rfind('/'))) {
        if (::access((dir + "/idVendor").c_str(), F_OK) == 0) {
            d.Usb = true;
            d.UsbProduct = FirstLine(dir + "/product");
            d.UsbMaker = FirstLine(dir + "/manufacturer");
            return;
        }
    }
}

// A user's entry through the reentrant look-up: the diagnosis may run beside other threads.
struct TUserEntry {
    passwd Entry{};
    std::vector<char> Text = std::vector<char>(16384);
    bool Found = false;
    explicit TUserEntry(uid_t uid) {
        passwd* result = nullptr;
        Found = ::getpwuid_r(uid, &Entry, Text.data(), Text.size(), &result) == 0 && result;
    }
};

std::string GroupName(gid_t gid) {
    group entry{};
    std::vector<char> text(16384);
    group* result = nullptr;
    if (::getgrgid_r(gid, &entry, text.data(), text.size(), &result) == 0 && result)
        return entry.gr_name;
    return std::to_string(gid);
}

void ReadOwnership(const struct stat& st, TPortDiagnosis& d) {
    d.Mode = st.st_mode & 0777;
    d.GroupMayUse = (d.Mode & 060) == 060;
    d.UserIsOwner = st.st_uid == ::geteuid();
    const TUserEntry owner(st.st_uid);
    d.Owner = owner.Found ? owner.Entry.pw_name : std::to_string(st.st_uid);
    d.Group = GroupName(st.st_gid);

    d.InGroup = ::getegid() == st.st_gid;
    const int count = ::getgroups(0, nullptr);
    if (count > 0) {
        std::vector<gid_t> groups(static_cast<std::size_t>(count));
        if (::getgroups(count, groups.data()) == count)
            d.InGroup = d.InGroup || std::find(groups.begin(), groups.end(), st.st_gid) != groups.end();
    }
    const TUserEntry self(::geteuid());
    if (self.Found) {
        const passwd* user = &self.Entry;
        d.UserName = user->pw_name;
        int listed = 64;
        std::vector<gid_t> groups(static_cast<std::size_t>(listed));
        if (::getgrouplist(user->pw_name, user->pw_gid, groups.data(), &listed) < 0 && listed > 0) {
            groups.resize(static_cast<std::size_t>(listed));
            ::getgrouplist(user->pw_name, user->pw_gid, groups.data(), &listed);
        }
        groups.resize(static_cast<std::size_t>(std::max(listed, 0)));
        d.GroupListed = std::find(groups.begin(), groups.end(), st.st_gid) != groups.end();
    } else {
        d.UserName = std::to_string(::geteuid());
    }
}

// The verdict of an open that failed with error; lockTried: the error may be the exclusive lock's.
void OpenFailed(int error, bool lockTried, const struct stat& st, TPortDiagnosis& d) {
    d.OpenError = SystemErrorText(error);
    if (error == EACCES || error == EPERM) {
        d.Verdict = TPortVerdict::NoPermission;
        ReadOwnership(st, d);
    } else if (error == EBUSY || (lockTried && error == EWOULDBLOCK)) {
        d.Verdict = TPortVerdict::Held;
    } else if (error == EIO || error == ENXIO || error == ENODEV) {
        d.Verdict = TPortVerdict::NoHardware;
    } else {
        d.Verdict = TPortVerdict::OtherError;
    }
}

// openError: the error of an open already tried, or null to try one here.
TPortDiagnosis Diagnose(const std::string& path, const int* openError) {
    TPortDiagnosis d;
    d.Path = path;
    struct stat link {};
    if (::lstat(path.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
        char resolved[PATH_MAX];
        d.Target = ::realpath(path.c_str(), resolved) ? std::string(resolved) : LinkTarget(path);
    }
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        const int error = errno;
        d.OpenError = SystemErrorText(error);
        d.Verdict = error == ENOENT || error == ENOTDIR ? TPortVerdict::Missing : TPortVerdict::OtherError;
        ScanProcesses(nullptr, d);
        return d;
    }
    d.Exists = true;
    d.Kind = KindOf(st.st_mode);
    d.CharacterDevice = S_ISCHR(st.st_mode);
    if (d.CharacterDevice) {
        const unsigned maj = major(st.st_rdev);
        d.PseudoTerminal = maj >= FirstPtyMajor && maj <= LastPtyMajor;
        if (!d.PseudoTerminal)
            ReadSysfs(st.st_rdev, d);
        ScanProcesses(&st, d);
    } else {
        ScanProcesses(nullptr, d);
        d.Verdict = TPortVerdict::NotTerminal;
        return d;
    }

    if (openError) {
        if (*openError > 0) {
            OpenFailed(*openError, true, st, d);
        } else {
            d.Terminal = false;
            d.Verdict = TPortVerdict::NotTerminal;
        }
        return d;
    }
    // Opened as the serial component opens it, with the exclusive lock tried and released at once.
    const TUniqueFd fd(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    if (!fd.Valid()) {
        OpenFailed(errno, false, st, d);
        return d;
    }
    d.Terminal = ::isatty(fd.Get()) == 1;
    if (!d.Terminal) {
        d.Verdict = TPortVerdict::NotTerminal;
        return d;
    }
    if (::flock(fd.Get(), LOCK_EX | LOCK_NB) != 0) {
        d.OpenError = SystemErrorText(errno);
        d.Verdict = TPortVerdict::Held;
        return d;
    }
    ::flock(fd.Get(), LOCK_UN);
    d.Verdict = TPortVerdict::Opens;
    return d;
}

} // namespace

TPortDiagnosis DiagnosePort(const std::string& path) {
    return Diagnose(path, nullptr);
}

TPortDiagnosis DiagnoseFailedOpen(const std::string& path, int openError) {
    return Diagnose(path, &openError);
}
