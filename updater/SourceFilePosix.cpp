#include "updater/SourceFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

std::FILE* OpenSourceFile(const std::string& path, TSourceKind& kind) {
    kind = TSourceKind::Unopened;
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    std::FILE* file = ::fdopen(fd, "rb");
    if (!file) {
        ::close(fd);
        return nullptr;
    }
    std::setvbuf(file, nullptr, _IONBF, 0);
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        kind = TSourceKind::Unopened;
    else
        kind = S_ISDIR(st.st_mode)   ? TSourceKind::Folder
               : S_ISREG(st.st_mode) ? TSourceKind::Regular
                                     : TSourceKind::Other;
    return file;
}
