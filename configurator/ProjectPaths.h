#pragma once

#include "common/ProgramPath.h"

#include <string>

// The current-project values: process-wide paths, set only by the main window's start-up, New
// project and Open project. No trailing separator unless stated.
extern std::string ExeDir;      // the configurator's program folder
extern std::string MasterDir;   // ExeDir + "/MASTER": holds the firmware file
extern std::string ProjectsDir; // ExeDir + "/PROJECTS": the root of all projects
extern std::string ProjectDir;  // the current project folder; empty when Open found it gone
extern std::string ProjectName; // ProjectDir below ProjectsDir, starting with "/"; may be empty
extern std::string PargenFile;  // ProjectDir + "/pargen.xml"

// Derives PargenFile from ProjectDir; called after every change of ProjectDir.
void SetProjectPaths();

// The folder part of a program path: everything before its last separator.
std::string ProgramFolderOf(const std::string& programPath);
