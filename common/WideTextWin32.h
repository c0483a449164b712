#pragma once

#include <string>

#include <windows.h>

// The one crossing between our UTF-8 strings and the system's wide ones. Text that is not valid
// UTF-8 crosses with U+FFFD in place of its bad bytes.
std::wstring WideFromUtf8(const std::string& utf8);
std::string Utf8FromWide(const wchar_t* wide, int length = -1);
inline std::string Utf8FromWide(const std::wstring& wide) {
    return Utf8FromWide(wide.c_str(), static_cast<int>(wide.size()));
}

// The system's text for an error code, in UTF-8, without its line end.
std::string SystemErrorText(DWORD error);
