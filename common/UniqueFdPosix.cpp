#include "common/UniqueFd.h"

#include <unistd.h>

void TUniqueFd::Reset(int fd) {
    if (Fd >= 0)
        ::close(Fd);
    Fd = fd;
}

bool TUniqueFd::Close() {
    return ::close(std::exchange(Fd, -1)) == 0;
}
