#include "common/UniqueFd.h"

#include <io.h>

// The C runtime's descriptors (from _open); handles and sockets have owners of their own.

void TUniqueFd::Reset(int fd) {
    if (Fd >= 0)
        ::_close(Fd);
    Fd = fd;
}

bool TUniqueFd::Close() {
    return ::_close(std::exchange(Fd, -1)) == 0;
}
