#pragma once

#include "common/ProgramPath.h"

#include <string>

// The current-project values: paths, set only by start-up, New project and Open project. No
// trailing separator unless stated.
struct TProjectValues {
    std::string ExeDir;      // the configurator's program folder
    std::string MasterDir;   // ExeDir + "/MASTER": holds the firmware file
    std::string ProjectsDir; // ExeDir + "/PROJECTS": the root of all projects
    std::string ProjectDir;  // the current project folder; empty when Open found it gone
    std::string ProjectName; // ProjectDir below ProjectsDir, starting with "/"; may be empty
    std::string PargenFile;  // ProjectDir + "/pargen.xml"
};

// Derives PargenFile from ProjectDir; called after every change of ProjectDir.
void SetProjectPaths(TProjectValues& values);

// The configurator's process-wide values: the fields of CurrentProject() under their own names.
TProjectValues& CurrentProject();
extern std::string& ExeDir;
extern std::string& MasterDir;
extern std::string& ProjectsDir;
extern std::string& ProjectDir;
extern std::string& ProjectName;
extern std::string& PargenFile;

// SetProjectPaths of the process-wide values.
void SetProjectPaths();

// The folder part of a program path: everything before its last separator.
std::string ProgramFolderOf(const std::string& programPath);
