#include "common/Utf8Path.h"

std::filesystem::path Utf8Path(const std::string& utf8) {
    return std::filesystem::u8path(utf8);
}

std::string PathUtf8(const std::filesystem::path& path) {
    return path.u8string();
}

bool IsValidUtf8(const std::string& text) {
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const auto* end = p + text.size();
    while (p < end) {
        const unsigned char c = *p++;
        if (c < 0x80)
            continue;
        int more = 0;
        unsigned long code = 0;
        if (c >= 0xC2 && c <= 0xDF) {
            more = 1;
            code = c & 0x1Fu;
        } else if (c >= 0xE0 && c <= 0xEF) {
            more = 2;
            code = c & 0x0Fu;
        } else if (c >= 0xF0 && c <= 0xF4) {
            more = 3;
            code = c & 0x07u;
        } else {
            return false;
        }
        if (end - p < more)
            return false;
        for (int i = 0; i < more; ++i, ++p) {
            if ((*p & 0xC0u) != 0x80u)
                return false;
            code = (code << 6) | (*p & 0x3Fu);
        }
        if ((more == 2 && code < 0x800) || (more == 3 && code < 0x10000) || code > 0x10FFFF ||
            (code >= 0xD800 && code <= 0xDFFF))
            return false;
    }
    return true;
}
