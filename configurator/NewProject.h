#pragma once

#include <string>
#include <vector>

// New project's checks and creation, without the dialog: the project folder destinationDir + "/" +
// typedName with its bin folder.
struct TNewProjectOutcome {
    std::vector<std::string> Messages; // shown one after the other, as the dialog shows them
    bool Created = false;
    std::string Folder; // the new project folder once created
    std::string Name;   // "/" + typedName once created (ProjectName)
};

TNewProjectOutcome MakeNewProject(const std::string& destinationDir, const std::string& typedName);

// The messages MakeNewProject would refuse with, found without making anything; empty when it would
// go on to make the folder.
std::vector<std::string> NewProjectRefusals(const std::string& destinationDir, const std::string& typedName);
