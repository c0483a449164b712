#include "configurator/IniFile.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

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
