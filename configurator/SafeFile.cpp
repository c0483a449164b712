#include "configurator/SafeFile.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string Failure(const std::string& operation, const std::string& path, int error) {
    return std::string("cannot ") + operation + " " + path + ": " + std::strerror(error);
}

// Owns a file descriptor.
class TFd {
public:
    explicit TFd(int fd) : Fd(fd) {}
    ~TFd() {
        if (Fd >= 0)
            ::close(Fd);
    }
    TFd(const TFd&) = delete;
    TFd& operator=(const TFd&) = delete;
    int Get() const { return Fd; }
    // Closes now, so that a failure of close (a delayed write error) can be reported.
    int Close() {
        const int fd = Fd;
        Fd = -1;
        return ::close(fd);
    }

private:
    int Fd;
};

// Removes the temporary file unless it was renamed into place.
class TTempFile {
public:
    explicit TTempFile(std::string path) : Path(std::move(path)) {}
    ~TTempFile() {
        if (!Kept)
            ::unlink(Path.c_str());
    }
    TTempFile(const TTempFile&) = delete;
    TTempFile& operator=(const TTempFile&) = delete;
    void Keep() { Kept = true; }

private:
    std::string Path;
    bool Kept = false;
};

std::string FolderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

void ReplaceFileContents(const std::string& path, const std::string& bytes) {
    // The old file's write protection is honoured: renaming would otherwise replace it silently.
    struct stat old {};
    if (::stat(path.c_str(), &old) == 0 && ::access(path.c_str(), W_OK) != 0)
        throw EFileWriteError(Failure("replace", path, errno));

    static std::atomic<unsigned> counter{0};
    const std::string folder = FolderOf(path);
    std::string tempPath;
    int fd = -1;
    for (int attempt = 0; fd < 0; ++attempt) {
        tempPath = folder + "/." + NameOf(path) + "." + std::to_string(::getpid()) + "." +
                   std::to_string(counter++) + ".tmp";
        fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && (errno != EEXIST || attempt > 100))
            throw EFileWriteError(Failure("create", tempPath, errno));
    }
    TFd file(fd);
    TTempFile temp(tempPath);

    const char* data = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(file.Get(), data, left);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            throw EFileWriteError(Failure("write", tempPath, errno));
        }
        data += written;
        left -= static_cast<std::size_t>(written);
    }
    if (::fsync(file.Get()) != 0)
        throw EFileWriteError(Failure("flush", tempPath, errno));
    if (file.Close() != 0)
        throw EFileWriteError(Failure("close", tempPath, errno));
    if (::rename(tempPath.c_str(), path.c_str()) != 0)
        throw EFileWriteError(Failure("rename " + tempPath + " to", path, errno));
    temp.Keep();
}
