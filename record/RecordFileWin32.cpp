#include "record/RecordFile.h"

#include "common/UniqueHandleWin32.h"

#include <windows.h>

namespace {

std::wstring Wide(const std::string& text) {
    if (text.empty())
        return std::wstring();
    const int size = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(size > 0 ? size : 0), L'\0');
    if (size > 0)
        MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), size);
    return wide;
}

std::string SystemText(DWORD error) {
    wchar_t text[512] = {};
    const DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error,
                                   0, text, sizeof text / sizeof text[0], nullptr);
    std::wstring wide(text, n);
    while (!wide.empty() && (wide.back() == L'\n' || wide.back() == L'\r' || wide.back() == L' '))
        wide.pop_back();
    const int size = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                         nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
    if (size > 0)
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), utf8.data(), size,
                            nullptr, nullptr);
    return utf8 + " (error " + std::to_string(error) + ")";
}

std::string Failed(const char* what, const std::string& path) {
    return std::string(what) + " " + path + ": " + SystemText(GetLastError());
}

// The whole file's range, locked for as long as this lives.
class TWholeFileLock {
public:
    explicit TWholeFileLock(HANDLE file) : File(file) {
        Locked = LockFileEx(File, LOCKFILE_EXCLUSIVE_LOCK, 0, MAXDWORD, MAXDWORD, &Range) != 0;
    }
    ~TWholeFileLock() {
        if (Locked)
            UnlockFileEx(File, 0, MAXDWORD, MAXDWORD, &Range);
    }
    TWholeFileLock(const TWholeFileLock&) = delete;
    TWholeFileLock& operator=(const TWholeFileLock&) = delete;
    bool Locked = false;

private:
    HANDLE File;
    OVERLAPPED Range{};
};

} // namespace

bool AppendWholeLine(const std::string& path, const std::string& line, std::string& why) {
    // FILE_APPEND_DATA without FILE_WRITE_DATA: every write lands at the file's end.
    const TUniqueHandle file(CreateFileW(Wide(path).c_str(), FILE_APPEND_DATA | GENERIC_READ,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                         FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid()) {
        why = Failed("cannot open", path);
        return false;
    }
    const TWholeFileLock lock(file.Get());
    if (!lock.Locked) {
        why = Failed("cannot lock", path);
        return false;
    }
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.Get(), &size)) {
        why = Failed("cannot examine", path);
        return false;
    }
    std::string bytes = line;
    if (size.QuadPart > 0) {
        OVERLAPPED at{};
        const ULONGLONG last = static_cast<ULONGLONG>(size.QuadPart - 1);
        at.Offset = static_cast<DWORD>(last & 0xFFFFFFFFu);
        at.OffsetHigh = static_cast<DWORD>(last >> 32);
        char c = '\n';
        DWORD read = 0;
        if (!ReadFile(file.Get(), &c, 1, &read, &at) || read != 1) {
            why = Failed("cannot read the end of", path);
            return false;
        }
        if (c != '\n')
            bytes.insert(0, 1, '\n');
    }
    DWORD written = 0;
    if (!WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
        written != bytes.size()) {
        why = Failed("cannot write", path);
        return false;
    }
    if (!FlushFileBuffers(file.Get())) {
        why = Failed("cannot flush", path);
        return false;
    }
    return true;
}

bool ReadWholeFile(const std::string& path, std::string& bytes, std::string& why, bool* missing) {
    const TUniqueHandle file(CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                         nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid()) {
        const DWORD error = GetLastError();
        if (missing)
            *missing = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
        SetLastError(error);
        why = Failed("cannot open", path);
        return false;
    }
    bytes.clear();
    char buffer[65536];
    for (;;) {
        DWORD n = 0;
        if (!ReadFile(file.Get(), buffer, sizeof buffer, &n, nullptr)) {
            why = Failed("cannot read", path);
            return false;
        }
        if (n == 0)
            return true;
        bytes.append(buffer, n);
    }
}
