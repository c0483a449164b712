#include "common/SafeFile.h"

#include "common/WideTextWin32.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <string>

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

namespace {

// A file just made or replaced is held for a moment by the virus scanner or the indexer, and the
// replace is then refused with a sharing violation or access denied: it is tried again this often,
// this far apart, before the save fails.
constexpr int ReplaceAttempts = 6;
constexpr DWORD ReplaceRetryMs = 100;

bool HeldForAMoment(DWORD error) {
    return error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED || error == ERROR_LOCK_VIOLATION;
}

// MoveFileEx replacing target, tried again while the refusal may be only for a moment.
bool ReplaceFile(const std::wstring& source, const std::wstring& target) {
    for (int attempt = 1;; ++attempt) {
        if (MoveFileExW(source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return true;
        const DWORD error = GetLastError();
        if (attempt >= ReplaceAttempts || !HeldForAMoment(error)) {
            SetLastError(error);
            return false;
        }
        Sleep(ReplaceRetryMs);
    }
}

// errno for the system's error codes a save meets; the rest read as an input/output error.
int ErrnoOf(DWORD error) {
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return EACCES;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return ENOSPC;
    default:
        return EIO;
    }
}

// Closes the descriptor and removes the temporary file unless it was moved into place.
class TTempFile {
public:
    explicit TTempFile(const std::string& path) {
        // A name of our own beside path; the process id and a counter keep concurrent saves apart.
        static std::atomic<unsigned> counter{0};
        for (int attempt = 0; attempt < 100 && Fd < 0; ++attempt) {
            Name = path + ".new-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++counter);
            Fd = ::_wopen(WideFromUtf8(Name).c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY,
                          _S_IREAD | _S_IWRITE);
            if (Fd < 0 && errno != EEXIST)
                break;
        }
    }
    ~TTempFile() {
        const int saved = errno;
        if (Fd >= 0)
            ::_close(Fd);
        if (!Kept && Created())
            ::_wunlink(WideFromUtf8(Name).c_str());
        errno = saved;
    }
    TTempFile(const TTempFile&) = delete;
    TTempFile& operator=(const TTempFile&) = delete;

    bool Created() const { return Fd >= 0 || Closed; }
    bool CloseChecked() {
        const int fd = Fd;
        Fd = -1;
        Closed = true;
        return ::_close(fd) == 0;
    }

    std::string Name;
    int Fd = -1;
    bool Closed = false;
    bool Kept = false;
};

} // namespace

bool WriteFileReplacing(const std::string& path, const std::string& bytes) {
    TTempFile temp(path);
    if (temp.Fd < 0)
        return false;
    std::size_t written = 0;
    while (written < bytes.size()) {
        const std::size_t chunk = std::min<std::size_t>(bytes.size() - written, 1u << 30);
        const int n = ::_write(temp.Fd, bytes.data() + written, static_cast<unsigned>(chunk));
        if (n < 0)
            return false;
        written += static_cast<std::size_t>(n);
    }
    if (::_commit(temp.Fd) != 0 || !temp.CloseChecked())
        return false;
    if (!ReplaceFile(WideFromUtf8(temp.Name), WideFromUtf8(path))) {
        errno = ErrnoOf(GetLastError());
        return false;
    }
    temp.Kept = true;
    return true;
}

bool IsWriteProtected(const std::string& path) {
    const std::wstring name = WideFromUtf8(path);
    return ::_waccess(name.c_str(), 0) == 0 && ::_waccess(name.c_str(), 2) != 0;
}

bool CreateNewFile(const std::string& path) {
    const int fd = ::_wopen(WideFromUtf8(path).c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY,
                            _S_IREAD | _S_IWRITE);
    if (fd < 0)
        return false;
    ::_close(fd);
    return true;
}
