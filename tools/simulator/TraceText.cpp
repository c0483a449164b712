#include "tools/simulator/TraceText.h"

#include <cstdio>
#include <ctime>

std::string TraceTimeStamp(std::chrono::system_clock::time_point when) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(when);
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(when.time_since_epoch()).count() % 1000;
    std::tm local{};
    ::localtime_r(&seconds, &local);
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d.%03d", local.tm_hour, local.tm_min, local.tm_sec,
                  static_cast<int>(ms));
    return text;
}

namespace {

std::string Escaped(const std::string& bytes) {
    std::string out;
    for (unsigned char c : bytes) {
        if (c == '\r') {
            out += "\\r";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c < 0x20 || c >= 0x7F || c == '\\') {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

} // namespace

std::string ShortFrameText(const std::string& bytes) {
    constexpr std::size_t Longest = 48, Head = 24, Tail = 16;
    if (bytes.size() <= Longest)
        return Escaped(bytes);
    return Escaped(bytes.substr(0, Head)) + "..." + Escaped(bytes.substr(bytes.size() - Tail));
}
