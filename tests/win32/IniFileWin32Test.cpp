// An INI file that an older program wrote in the ANSI code page still names its project.

#include "configurator/IniFile.h"

#include "common/WideTextWin32.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <string>

#include <windows.h>

namespace {

// name in the ANSI code page, or "" where the code page lacks one of its letters.
std::string InAnsiCodePage(const std::wstring& name) {
    BOOL lacking = FALSE;
    std::string bytes(name.size() * 2, '\0');
    const int n =
        WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, name.c_str(), static_cast<int>(name.size()),
                            bytes.data(), static_cast<int>(bytes.size()), nullptr, &lacking);
    return n > 0 && !lacking ? bytes.substr(0, static_cast<std::size_t>(n)) : std::string();
}

TEST(IniFileWin32, AProjectNameInTheAnsiCodePageIsReadInIt) {
    const TTempDir dir;
    const std::string ini = dir / "Velmora_RAZ2Idiernet.ini";
    int tried = 0;
    // One name per script, so that every usual code page finds one it can hold.
    for (const std::wstring name : {L"S\u00fcd \u0141\u00f3d\u017a", L"S\u00fcd",
                                    L"\u0421\u0435\u0440\u0433\u0435\u0439", L"\u5f20\u4f1f"}) {
        const std::string legacy = InAnsiCodePage(name);
        if (legacy.empty() || legacy == Utf8FromWide(name))
            continue;
        ++tried;
        WriteFileBytes(ini, "[lastproj]\r\nprojectname=\\" + legacy + "\r\n");
        EXPECT_EQ(ReadProfileString(ini, "lastproj", "projectname"), "\\" + Utf8FromWide(name))
            << "code page " << GetACP();
    }
    if (tried == 0)
        GTEST_SKIP() << "the ANSI code page " << GetACP() << " holds none of the names outside ASCII";
}

} // namespace
