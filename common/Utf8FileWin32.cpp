#include "common/Utf8Path.h"

#include "common/WideTextWin32.h"

std::FILE* OpenUtf8File(const std::string& path, const char* mode) {
    return _wfopen(WideFromUtf8(path).c_str(), WideFromUtf8(mode).c_str());
}

std::string Utf8FromLegacyCodePage(const std::string& text) {
    if (text.empty())
        return text;
    const int size = static_cast<int>(text.size());
    const int length = MultiByteToWideChar(CP_ACP, 0, text.data(), size, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), size, wide.data(), length);
    return Utf8FromWide(wide);
}
