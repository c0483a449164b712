#include "common/Utf8Path.h"

std::FILE* OpenUtf8File(const std::string& path, const char* mode) {
    return std::fopen(path.c_str(), mode);
}

std::string Utf8FromLegacyCodePage(const std::string& text) {
    return text;
}
