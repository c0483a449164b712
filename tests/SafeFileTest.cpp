#include "configurator/SafeFile.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>

#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

std::atomic<int> UmaskCalls{0};

mode_t ModeOf(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

} // namespace

// Counts every change of the process's umask made from this program (the save links against this
// definition rather than the C library's): setting it, even only to read it, races other threads.
extern "C" mode_t umask(mode_t mask) noexcept {
    ++UmaskCalls;
    return static_cast<mode_t>(::syscall(SYS_umask, mask));
}

TEST(SafeFile, KeepsTheOldModeGivesANewFileTheUmaskAndNeverSetsIt) {
    const mode_t mask = static_cast<mode_t>(::syscall(SYS_umask, 027));
    const struct {
        const char* Case;
        mode_t OldMode; // 0: no file yet
        mode_t Expected;
    } cases[] = {
        {"new file", 0, 0640},
        {"owner only", 0600, 0600},
        {"shared with everyone", 0666, 0666},
        {"executable and group-writable", 0770, 0770},
    };
    for (const auto& c : cases) {
        TTempDir dir;
        const std::string path = dir / "pargen.xml";
        if (c.OldMode) {
            WriteFileBytes(path, "old");
            ASSERT_EQ(::chmod(path.c_str(), c.OldMode), 0);
        }
        UmaskCalls = 0;
        ASSERT_TRUE(WriteFileReplacing(path, "new")) << c.Case;
        EXPECT_EQ(UmaskCalls, 0) << c.Case;
        EXPECT_EQ(ReadFileBytes(path), "new") << c.Case;
        EXPECT_EQ(ModeOf(path), c.Expected) << c.Case;
    }
    ::syscall(SYS_umask, mask);
}

TEST(SafeFile, SymbolicLinkStaysAndItsFileIsSaved) {
    TTempDir dir;
    WriteFileBytes(dir / "real.ini", "old");
    ASSERT_EQ(::symlink("real.ini", (dir / "a.ini").c_str()), 0);
    ASSERT_EQ(::symlink("absent.ini", (dir / "b.ini").c_str()), 0);
    ASSERT_TRUE(WriteFileReplacing(dir / "a.ini", "new"));
    ASSERT_TRUE(WriteFileReplacing(dir / "b.ini", "made"));
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "a.ini"));
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "b.ini"));
    EXPECT_EQ(ReadFileBytes(dir / "real.ini"), "new");
    EXPECT_EQ(ReadFileBytes(dir / "absent.ini"), "made");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 4) << "temporary left";
}

TEST(SafeFile, FileOfAnotherUserKeepsItsOwner) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to give the file to another user";
    TTempDir dir;
    const std::string path = dir / "bank.bin";
    WriteFileBytes(path, "old");
    ASSERT_EQ(::chown(path.c_str(), 65534, 65534), 0);
    ASSERT_TRUE(WriteFileReplacing(path, "new"));
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, 65534u);
    EXPECT_EQ(st.st_gid, 65534u);
    EXPECT_EQ(ReadFileBytes(path), "new");
}
