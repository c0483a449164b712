#include "common/SystemError.h"

#include <cstring>

namespace {

// strerror_r comes in two kinds: the GNU one answers the text (maybe a static one, not in buffer),
// the XSI one fills buffer and answers 0.
[[maybe_unused]] const char* TextOf(const char* answer, const char*) {
    return answer;
}
[[maybe_unused]] const char* TextOf(int answer, const char* buffer) {
    return answer == 0 ? buffer : "Unknown error";
}

} // namespace

std::string SystemErrorText(int code) {
    char buffer[256] = {};
    return TextOf(::strerror_r(code, buffer, sizeof buffer), buffer);
}
