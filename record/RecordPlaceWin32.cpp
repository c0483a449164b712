#include "record/RecordPlace.h"

#include <vector>

#include <windows.h>

namespace {

std::string Utf8(const wchar_t* wide, int length) {
    if (length <= 0)
        return std::string();
    const int size = WideCharToMultiByte(CP_UTF8, 0, wide, length, nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
    if (size > 0)
        WideCharToMultiByte(CP_UTF8, 0, wide, length, text.data(), size, nullptr, nullptr);
    return text;
}

std::wstring Wide(const char* text) {
    const int size = MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(size > 0 ? size : 1), L'\0');
    if (size > 0)
        MultiByteToWideChar(CP_UTF8, 0, text, -1, wide.data(), size);
    wide.resize(wide.size() - 1);
    return wide;
}

} // namespace

std::string EnvironmentValue(const char* name) {
    const std::wstring wideName = Wide(name);
    const DWORD size = GetEnvironmentVariableW(wideName.c_str(), nullptr, 0);
    if (size == 0)
        return std::string();
    std::vector<wchar_t> value(size);
    const DWORD length = GetEnvironmentVariableW(wideName.c_str(), value.data(), size);
    return length < size ? Utf8(value.data(), static_cast<int>(length)) : std::string();
}

std::string DefaultRecordFile() {
    const std::string data = EnvironmentValue("LOCALAPPDATA");
    return data.empty() ? std::string() : data + "\\ZE50321\\records.jsonl";
}

std::string HostName() {
    wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
    return GetComputerNameW(name, &size) ? Utf8(name, static_cast<int>(size)) : std::string();
}

std::string UserName() {
    wchar_t name[257] = {};
    DWORD size = 257;
    // The size counts the terminating null.
    return GetUserNameW(name, &size) && size > 0 ? Utf8(name, static_cast<int>(size - 1)) : std::string();
}
