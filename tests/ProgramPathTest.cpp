#include "configurator/ProgramPath.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

// Started through a link in a user's folder, the program's path is the link's, so that folder is
// the program folder; relative and bare names are made absolute as the shell found them.
TEST(ProgramPath, TheInvokedPathMadeAbsoluteAndNotResolvedThroughLinks) {
    TTempDir dir;
    fs::create_directories(dir / "lib");
    fs::create_directories(dir / "user/bin");
    WriteFileBytes(dir / "lib/Velmora_RAZ2Idi", "#!/bin/sh\n");
    ASSERT_EQ(::chmod((dir / "lib/Velmora_RAZ2Idi").c_str(), 0755), 0);
    fs::create_symlink(dir / "lib/Velmora_RAZ2Idi", dir / "user/Velmora_RAZ2Idi");
    fs::create_symlink(dir / "lib/Velmora_RAZ2Idi", dir / "user/bin/ze-link");
    const std::string savedPath = std::getenv("PATH") ? std::getenv("PATH") : "";
    ::setenv("PATH", ("/nonexistent:" + dir / "user/bin").c_str(), 1);
    const fs::path savedCwd = fs::current_path();
    fs::current_path(dir / "user");

    const std::string own = fs::read_symlink("/proc/self/exe").string();
    const struct {
        std::string Argv0, Expected;
    } cases[] = {
        {dir / "user/Velmora_RAZ2Idi", dir / "user/Velmora_RAZ2Idi"},
        {"Velmora_RAZ2Idi", own}, // a bare name is not looked for in the current folder
        {"./Velmora_RAZ2Idi", dir / "user/Velmora_RAZ2Idi"},
        {"../user/./Velmora_RAZ2Idi", dir / "user/Velmora_RAZ2Idi"},
        {"ze-link", dir / "user/bin/ze-link"},
        {dir / "user/missing", own},
        {"", own},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.Expected, InvokedProgramPath(c.Argv0)) << "argv[0] " << c.Argv0;

    fs::current_path(savedCwd);
    ::setenv("PATH", savedPath.c_str(), 1);
}
