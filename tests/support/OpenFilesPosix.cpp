#include "tests/support/OpenFiles.h"

#include <dirent.h>

int OpenFileCount() {
    int n = 0;
    if (DIR* d = opendir("/proc/self/fd")) {
        while (readdir(d))
            ++n;
        closedir(d);
    }
    return n;
}
