// The program's own path from GetModuleFileName, with the Windows separator.

#include "common/ProgramPath.h"

#include <gtest/gtest.h>

namespace {

TEST(ProgramPathWin32, IsTheFullPathOfThisTestWithBackslashes) {
    const std::string path = OwnProgramPath();
    const std::string name = "\\ProgramPathWin32Test.exe";
    ASSERT_GT(path.size(), name.size());
    EXPECT_EQ(path.substr(path.size() - name.size()), name);
    EXPECT_EQ(path.substr(1, 2), ":\\") << path; // a drive letter: under wine, Z: for the Linux root
    EXPECT_EQ(path.find('/'), std::string::npos) << path;
    EXPECT_STREQ(PathSeparator, "\\");
}

} // namespace
