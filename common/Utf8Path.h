#pragma once

#include <cstdio>
#include <filesystem>
#include <string>

// Every path in our strings is UTF-8. These are the ways such a string becomes a filesystem path or
// an open C file and back, so that Windows sees the same letters (a path made from a plain
// std::string there takes each byte for a letter of the ANSI code page).
std::filesystem::path Utf8Path(const std::string& utf8);
std::string PathUtf8(const std::filesystem::path& path);

// std::fopen for a UTF-8 path: _wfopen on Windows.
std::FILE* OpenUtf8File(const std::string& path, const char* mode);

// The text is valid UTF-8 (no overlong forms, no surrogates, nothing above U+10FFFF).
bool IsValidUtf8(const std::string& text);

// A text of the system's legacy 8-bit code page (the ANSI code page on Windows) as UTF-8. Elsewhere
// names are bytes, and the text is answered as it is.
std::string Utf8FromLegacyCodePage(const std::string& text);
