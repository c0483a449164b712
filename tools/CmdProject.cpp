#include "tools/Commands.h"

#include "configurator/ProjectSession.h"

#include <cstdio>

namespace {

constexpr int ExitNotCreated = 1;

void PrintHelp(std::FILE* out) {
    std::fprintf(out, "Usage: ze50321 project new PROGRAM_FOLDER NAME\n\n"
                      "Makes the project NAME as the configurator's New project does: the folder\n"
                      "PROGRAM_FOLDER/PROJECTS/NAME (PROJECTS is made when missing) with its bin folder, no\n"
                      "file in them. NAME is one folder name, taken as typed. Prints the project folder.\n\n"
                      "Exit codes: 0 made; 1 refused (\"Name project not valid\", \"Name project not valid\n"
                      "because directory already exists\") or the folder cannot be made; 64 usage.\n");
}

} // namespace

int RunProject(const std::vector<std::string>& args) {
    if (WantsHelp(args)) {
        PrintHelp(stdout);
        return 0;
    }
    if (args.size() != 3 || args[0] != "new") {
        PrintHelp(stderr);
        return ExitUsage;
    }
    std::string programFolder = args[1];
    while (programFolder.size() > 1 && programFolder.back() == '/')
        programFolder.pop_back();
    TProjectSession session;
    session.SetProgramFolder(programFolder);
    const std::string& projects = session.Project().ProjectsDir;
    const bool projectsMade = session.MakeProjectsFolder(); // as at the configurator's start: one level
    const TNewProjectOutcome outcome = session.NewProject(projects, args[2]);
    for (const auto& message : outcome.Messages)
        std::fprintf(stderr, "%s\n", message.c_str());
    if (!outcome.Created) {
        if (outcome.Messages.empty())
            std::fprintf(stderr, "ze50321 project: cannot make %s/%s: %s\n", projects.c_str(),
                         args[2].c_str(),
                         projectsMade ? "the folder cannot be created" : "no PROJECTS folder");
        return ExitNotCreated;
    }
    std::printf("%s\n", outcome.Folder.c_str());
    return 0;
}
