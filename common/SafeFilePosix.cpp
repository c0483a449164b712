#include "common/SafeFile.h"

#include <cerrno>
#include <cstdlib>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Closes the descriptor and removes the temporary file unless it was renamed into place.
class TTempFile {
public:
    explicit TTempFile(std::string pattern) : Name(std::move(pattern)) {
        Fd = mkstemp(Name.data());
        Created = Fd >= 0;
    }
    ~TTempFile() {
        const int saved = errno;
        if (Fd >= 0)
            ::close(Fd);
        if (!Kept && Created)
            ::unlink(Name.c_str());
        errno = saved;
    }
    TTempFile(const TTempFile&) = delete;
    TTempFile& operator=(const TTempFile&) = delete;

    bool CloseChecked() {
        const int fd = Fd;
        Fd = -1;
        return ::close(fd) == 0;
    }

    std::string Name;
    int Fd = -1;
    bool Created = false;
    bool Kept = false;
};

} // namespace

bool WriteFileReplacing(const std::string& path, const std::string& bytes) {
    TTempFile temp(path + ".new-XXXXXX");
    if (temp.Fd < 0)
        return false;
    // mkstemp creates the file for its owner alone; give it the usual mode of a new file.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(temp.Fd, 0666 & ~mask);

    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::write(temp.Fd, bytes.data() + written, bytes.size() - written);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        written += static_cast<std::size_t>(n);
    }
    if (::fsync(temp.Fd) != 0 || !temp.CloseChecked())
        return false;
    if (::rename(temp.Name.c_str(), path.c_str()) != 0) {
        return false;
    }
    temp.Kept = true;
    return true;
}

bool IsWriteProtected(const std::string& path) {
    return ::access(path.c_str(), F_OK) == 0 && ::access(path.c_str(), W_OK) != 0;
}
