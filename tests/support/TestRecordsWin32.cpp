#include <windows.h>

namespace {

// Set before main; a record file the caller chose already is kept.
bool SetRecords() {
    if (GetEnvironmentVariableW(L"ZE50321_RECORDS", nullptr, 0) != 0)
        return true;
    const char* const path = ZE_TEST_RECORDS;
    wchar_t wide[4096] = {};
    if (MultiByteToWideChar(CP_UTF8, 0, path, -1, wide, 4096) == 0)
        return false;
    return SetEnvironmentVariableW(L"ZE50321_RECORDS", wide) != 0;
}

[[maybe_unused]] const bool RecordsSet = SetRecords();

} // namespace
