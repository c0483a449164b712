#include "configurator/ProjectSession.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

// A session of its own, as the tool's commands use: the process-wide values stay as they were.
TEST(ProjectSession, OwnValuesFollowTheCommands) {
    TTempDir dir;
    CurrentProject() = TProjectValues{};
    TProjectSession session;
    WriteFileBytes(dir / IniFileName, "[lastproj]\nprojectname=/Plant1\n");
    session.Start(dir / "Velmora_RAZ2Idi");
    EXPECT_TRUE(IsDirectory(dir / "MASTER") && IsDirectory(dir / "PROJECTS"));
    EXPECT_EQ(session.Project().ProjectDir, dir / "PROJECTS");
    EXPECT_EQ(session.Caption(), CaptionPrefix);

    EXPECT_TRUE(session.NewProject(session.Project().ProjectsDir, "Plant1").Created);
    EXPECT_EQ(session.Caption(), CaptionPrefix) << "shown when the dialog closes";
    session.NewProjectClosed(true);
    EXPECT_EQ(session.Caption(), CaptionPrefix + std::string("/Plant1"));
    EXPECT_EQ(session.Project().PargenFile, dir / "PROJECTS/Plant1/pargen.xml");
    EXPECT_EQ(session.UpdaterRequest("/dev/ttyS0", true, false, true, false).ProjectFolder,
              dir / "PROJECTS/Plant1/bin/");

    EXPECT_EQ(session.BeginOpenProject(), dir / "PROJECTS/Plant1");
    session.EndOpenProject(true, dir / "PROJECTS/Plant1/bin");
    EXPECT_EQ(session.Project().ProjectName, "/Plant1/bin");
    EXPECT_TRUE(session.SaveLastProject());
    EXPECT_EQ(ReadFileBytes(dir / IniFileName), "[lastproj]\nprojectname=/Plant1/bin\n");
    EXPECT_EQ(ExeDir, "");
    EXPECT_EQ(ProjectDir, "");
}
