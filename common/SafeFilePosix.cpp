#include "common/SafeFile.h"

#include "common/UniqueFd.h"

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <memory>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool WriteAll(int fd, const std::string& bytes) {
    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        written += static_cast<std::size_t>(n);
    }
    return true;
}

// A new file beside target. It is opened with the mode of any new file, so that the kernel applies
// the umask: reading the umask would mean setting it, which races with other threads.
// Closes the descriptor and removes the file unless it was renamed into place.
class TTempFile {
public:
    explicit TTempFile(const std::string& target) {
        static std::atomic<unsigned> counter{0};
        for (int attempt = 0; attempt < 100 && Fd < 0; ++attempt) {
            Name = target + ".new-" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
            Fd = ::open(Name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (Fd < 0 && errno != EEXIST)
                break;
        }
        Created = Fd >= 0;
    }
    ~TTempFile() {
        const int saved = errno;
        if (Fd >= 0)
            ::close(Fd);
        Remove();
        errno = saved;
    }
    TTempFile(const TTempFile&) = delete;
    TTempFile& operator=(const TTempFile&) = delete;

    bool CloseChecked() {
        const int fd = Fd;
        Fd = -1;
        return ::close(fd) == 0;
    }
    void Remove() {
        if (!Kept && Created)
            ::unlink(Name.c_str());
        Created = false;
    }

    std::string Name;
    int Fd = -1;
    bool Created = false;
    bool Kept = false;
};

// Rewrites a file through its own descriptor, for where the folder cannot take a new one.
bool WriteInPlace(const std::string& path, const std::string& bytes, int createFlag = 0) {
    TUniqueFd fd(::open(path.c_str(), O_WRONLY | O_CLOEXEC | createFlag, 0666));
    if (!fd.Valid())
        return false;
    if (!WriteAll(fd.Get(), bytes) || ::ftruncate(fd.Get(), static_cast<off_t>(bytes.size())) != 0 ||
        ::fsync(fd.Get()) != 0)
        return false;
    return ::close(fd.Release()) == 0;
}

bool FolderRefused(int error) {
    return error == EACCES || error == EPERM;
}

} // namespace

bool WriteFileReplacing(const std::string& path, const std::string& bytes) {
    std::string target = path;
    struct stat old {};
    const bool exists = ::stat(path.c_str(), &old) == 0;
    if (!exists && errno != ENOENT)
        return false;
    struct stat link {};
    if (::lstat(path.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
        // Renaming over the link would put a file in its place: save the file it names instead.
        const std::unique_ptr<char, decltype(&std::free)> real(::realpath(path.c_str(), nullptr), &std::free);
        if (!real)
            return errno == ENOENT && WriteInPlace(path, bytes, O_CREAT); // the link's file is made
        target = real.get();
    }
    if (exists && ::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0)
        return false;

    TTempFile temp(target);
    if (temp.Fd < 0)
        return exists && FolderRefused(errno) && WriteInPlace(target, bytes);
    if (exists) {
        // The replacement keeps the old file's permissions and, where we may give it, its owner;
        // a file we could write but not give back to its owner is written in place instead.
        struct stat made {};
        if (::fstat(temp.Fd, &made) != 0)
            return false;
        if ((made.st_uid != old.st_uid || made.st_gid != old.st_gid) &&
            ::fchown(temp.Fd, old.st_uid, old.st_gid) != 0) {
            temp.Remove();
            return WriteInPlace(target, bytes);
        }
        // After the owner: a change of owner clears the set-id bits.
        if (::fchmod(temp.Fd, old.st_mode & 07777) != 0)
            return false;
    }
    if (!WriteAll(temp.Fd, bytes) || ::fsync(temp.Fd) != 0 || !temp.CloseChecked())
        return false;
    if (::rename(temp.Name.c_str(), target.c_str()) != 0) {
        // A sticky folder lets us create files but not replace another user's.
        if (!exists || !FolderRefused(errno))
            return false;
        temp.Remove();
        return WriteInPlace(target, bytes);
    }
    temp.Kept = true;
    return true;
}

bool CreateNewFile(const std::string& path) {
    const TUniqueFd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
    return fd.Valid();
}
