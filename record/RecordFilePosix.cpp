#include "record/RecordFile.h"

#include "common/UniqueFd.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string Failed(const char* what, const std::string& path) {
    return std::string(what) + " " + path + ": " + std::strerror(errno);
}

// The lock goes with the descriptor; released explicitly so that the unlock follows the data.
struct TFileLock {
    int Fd;
    ~TFileLock() { ::flock(Fd, LOCK_UN); }
};

} // namespace

bool AppendWholeLine(const std::string& path, const std::string& line, std::string& why) {
    const TUniqueFd fd(::open(path.c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC, 0644));
    if (!fd.Valid()) {
        why = Failed("cannot open", path);
        return false;
    }
    int locked;
    do
        locked = ::flock(fd.Get(), LOCK_EX);
    while (locked != 0 && errno == EINTR);
    if (locked != 0) {
        why = Failed("cannot lock", path);
        return false;
    }
    const TFileLock lock{fd.Get()};
    struct stat st {};
    if (::fstat(fd.Get(), &st) != 0) {
        why = Failed("cannot examine", path);
        return false;
    }
    std::string bytes = line;
    if (st.st_size > 0) {
        char last = '\n';
        if (::pread(fd.Get(), &last, 1, st.st_size - 1) != 1) {
            why = Failed("cannot read the end of", path);
            return false;
        }
        if (last != '\n')
            bytes.insert(0, 1, '\n');
    }
    const ssize_t written = ::write(fd.Get(), bytes.data(), bytes.size());
    if (written != static_cast<ssize_t>(bytes.size())) {
        why = written < 0 ? Failed("cannot write", path)
                          : "cannot write " + path + ": only " + std::to_string(written) + " of " +
                                std::to_string(bytes.size()) + " bytes were written";
        return false;
    }
    if (::fdatasync(fd.Get()) != 0) {
        why = Failed("cannot flush", path);
        return false;
    }
    return true;
}

bool ReadWholeFile(const std::string& path, std::string& bytes, std::string& why, bool* missing) {
    const TUniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd.Valid()) {
        if (missing)
            *missing = errno == ENOENT;
        why = Failed("cannot open", path);
        return false;
    }
    bytes.clear();
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd.Get(), buffer, sizeof buffer);
        if (n == 0)
            return true;
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            why = Failed("cannot read", path);
            return false;
        }
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
}
