#include "common/SystemError.h"

#include <string.h>

std::string SystemErrorText(int code) {
    char buffer[256] = {};
    if (::strerror_s(buffer, sizeof buffer, code) != 0)
        return "Unknown error " + std::to_string(code);
    return buffer;
}
