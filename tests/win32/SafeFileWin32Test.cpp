// A save over a file that a scanner or the indexer holds for a moment: the replace is tried again
// for about half a second, and a file held longer is reported, not overwritten.

#include "common/SafeFile.h"

#include "common/UniqueHandleWin32.h"
#include "common/Utf8Path.h"
#include "common/WideTextWin32.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <thread>

#include <windows.h>

namespace {

// Opens path as a scanner does: shared for reading only, so that it can be neither replaced nor
// renamed until the handle is closed.
TUniqueHandle HoldAsAScannerDoes(const std::string& path) {
    return TUniqueHandle(CreateFileW(WideFromUtf8(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                     OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

TEST(SafeFileWin32, AReplaceRefusedForAMomentIsTriedAgainAndALongerHoldIsReported) {
    const TTempDir dir;
    const std::string path = dir / "pargen.xml";
    WriteFileBytes(path, "old");
    for (const int holdMs : {100, 2000}) {
        SCOPED_TRACE("held for " + std::to_string(holdMs) + " ms");
        TUniqueHandle held = HoldAsAScannerDoes(path);
        ASSERT_TRUE(held.Valid()) << SystemErrorText(GetLastError());
        std::thread release([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(holdMs));
            held.Reset();
        });
        const auto started = std::chrono::steady_clock::now();
        errno = 0;
        const bool saved = WriteFileReplacing(path, "new");
        const int error = errno;
        const auto tookMs =
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started)
                .count();
        release.join();
        if (saved && tookMs < holdMs / 2)
            GTEST_SKIP() << "this system replaces a file that another handle holds without sharing it";
        if (holdMs < 500) {
            EXPECT_TRUE(saved) << "errno " << error;
            EXPECT_EQ(ReadFileBytes(path), "new");
            WriteFileBytes(path, "old");
        } else {
            EXPECT_FALSE(saved);
            EXPECT_EQ(error, EACCES);
            EXPECT_EQ(ReadFileBytes(path), "old");
        }
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Utf8Path(dir.Path())), {}), 1)
            << "no temporary file left beside it";
    }
}

} // namespace
