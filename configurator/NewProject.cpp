#include "configurator/NewProject.h"

#include "common/FileContract.h"
#include "configurator/ProjectPaths.h"

#include <filesystem>
#include <system_error>

namespace {

// A name is one folder below the destination: never empty, never a path, never "." or "..".
bool IsUsableName(const std::string& name) {
    return !name.empty() && name.find('/') == std::string::npos && name != "." && name != "..";
}

} // namespace

TNewProjectOutcome MakeNewProject(const std::string& destinationDir, const std::string& typedName) {
    TNewProjectOutcome outcome;
    if (destinationDir.empty())
        outcome.Messages.push_back("directory destination not valid");
    if (!IsUsableName(typedName))
        outcome.Messages.push_back("Name project not valid");
    if (!outcome.Messages.empty())
        return outcome;

    const std::string folder = destinationDir + PathSeparator + typedName;
    std::error_code ec;
    if (std::filesystem::exists(folder, ec)) {
        outcome.Messages.push_back("Name project not valid because directory already exists");
        return outcome;
    }
    // A folder that cannot be made keeps the dialog open without a message.
    if (!std::filesystem::create_directory(folder, ec))
        return outcome;
    std::filesystem::create_directories(folder + PathSeparator + ImageFolder, ec);
    outcome.Created = true;
    outcome.Folder = folder;
    outcome.Name = PathSeparator + typedName;
    return outcome;
}
