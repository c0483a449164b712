#include "configurator/IniFile.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <fstream>

#include <cerrno>
#include <filesystem>

TEST(IniFile, ReadsMissingFileSectionAndKeyAsFallback) {
    TTempDir dir;
    const std::string path = dir / "a.ini";
    EXPECT_EQ(ReadProfileString(path, "lastproj", "projectname"), "");
    WriteFileBytes(path, "[other]\nprojectname=x\n[lastproj]\nkey=y\n");
    EXPECT_EQ(ReadProfileString(path, "lastproj", "projectname", "none"), "none");
    EXPECT_EQ(ReadProfileString(path, "missing", "key", "none"), "none");
}

TEST(IniFile, ReadsForeignFileWithOtherCaseSectionsAndCrLf) {
    TTempDir dir;
    const std::string path = dir / "a.ini";
    WriteFileBytes(path, "; written elsewhere\r\n[Other]\r\nprojectname=wrong\r\n\r\n[LASTPROJ]\r\n"
                         "  ProjectName = \\Plant 2\\sub\\  \r\nextra=1\r\n");
    EXPECT_EQ(ReadProfileString(path, "lastproj", "projectname"), "\\Plant 2\\sub\\");
    EXPECT_EQ(ReadProfileString(path, "other", "PROJECTNAME"), "wrong");
}

TEST(IniFile, WriteKeepsEveryOtherLineAndTheLineEnds) {
    TTempDir dir;
    const std::string path = dir / "a.ini";
    WriteFileBytes(path, "; written elsewhere\r\n[Other]\r\nprojectname=wrong\r\n\r\n[LASTPROJ]\r\n"
                         "ProjectName=old\r\nextra=1\r\n");
    ASSERT_TRUE(WriteProfileString(path, "lastproj", "projectname", "/Plant1"));
    EXPECT_EQ(ReadFileBytes(path), "; written elsewhere\r\n[Other]\r\nprojectname=wrong\r\n\r\n[LASTPROJ]\r\n"
                                   "projectname=/Plant1\r\nextra=1\r\n");
}

TEST(IniFile, WriteAddsKeyToExistingSectionAndSectionToFile) {
    TTempDir dir;
    const std::string path = dir / "a.ini";
    WriteFileBytes(path, "[lastproj]\nother=1\n\n[next]\nk=v\n");
    ASSERT_TRUE(WriteProfileString(path, "LastProj", "projectname", ""));
    EXPECT_EQ(ReadFileBytes(path), "[lastproj]\nother=1\nprojectname=\n\n[next]\nk=v\n");

    const std::string fresh = dir / "fresh.ini";
    ASSERT_TRUE(WriteProfileString(fresh, "lastproj", "projectname", "/P"));
    EXPECT_EQ(ReadFileBytes(fresh), "[lastproj]\nprojectname=/P\n");
}

TEST(IniFile, ReadsAtMost2047Characters) {
    TTempDir dir;
    const std::string path = dir / "a.ini";
    WriteFileBytes(path, "[s]\nk=" + std::string(3000, 'x') + "\n");
    EXPECT_EQ(ReadProfileString(path, "s", "k"), std::string(2047, 'x'));
}

TEST(IniFile, FailedWriteLeavesTheOldFileAndNoLeftovers) {
    TTempDir dir;
    // A folder that is gone.
    EXPECT_FALSE(WriteProfileString(dir / "gone/a.ini", "s", "k", "v"));
    // A folder standing where the file should be: the rename cannot replace it.
    ASSERT_TRUE(std::filesystem::create_directory(dir / "a.ini"));
    EXPECT_FALSE(WriteProfileString(dir / "a.ini", "s", "k", "v"));
    EXPECT_TRUE(IsDirectory(dir / "a.ini"));
    int entries = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.Path()))
        ++entries;
    EXPECT_EQ(entries, 1) << "the temporary file was left behind";
}

TEST(IniFile, WriteFollowsTheProtectionOfTheFileNotOfTheFolder) {
    const struct {
        const char* Case;
        unsigned FileMode;
        unsigned FolderMode;
        bool Saved;
    } cases[] = {
        {"writable file in a folder the user cannot write: written in place", 0644, 0555, true},
        {"read-only file in a writable folder: refused", 0444, 0755, false},
        {"read-only file in a read-only folder: refused", 0444, 0555, false},
    };
    for (const auto& c : cases) {
        TTempDir dir;
        const std::string folder = dir / "prog";
        const std::string path = folder + "/a.ini";
        namespace fs = std::filesystem;
        ASSERT_TRUE(fs::create_directory(folder));
        WriteFileBytes(path, "[lastproj]\nprojectname=/old\n");
        fs::permissions(path, static_cast<fs::perms>(c.FileMode));
        fs::permissions(folder, static_cast<fs::perms>(c.FolderMode));
        if ((c.FolderMode & 0200) == 0) {
            // A folder without write permission that takes a new file all the same: privileges.
            const bool made = static_cast<bool>(std::ofstream(folder + "/probe"));
            if (made) {
                fs::remove(folder + "/probe");
                GTEST_SKIP() << "running with privileges that ignore write protection";
            }
        }
        errno = 0;
        EXPECT_EQ(WriteProfileString(path, "lastproj", "projectname", "/new"), c.Saved) << c.Case;
        if (!c.Saved) {
            EXPECT_EQ(errno, EACCES) << c.Case;
        }
        EXPECT_EQ(ReadFileBytes(path),
                  c.Saved ? "[lastproj]\nprojectname=/new\n" : "[lastproj]\nprojectname=/old\n")
            << c.Case;
        EXPECT_EQ(
            static_cast<unsigned>(std::filesystem::status(path).permissions() & std::filesystem::perms::mask),
            c.FileMode)
            << c.Case;
    }
}
