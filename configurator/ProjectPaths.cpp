#include "configurator/ProjectPaths.h"

std::string ExeDir;
std::string MasterDir;
std::string ProjectsDir;
std::string ProjectDir;
std::string ProjectName;
std::string PargenFile;

void SetProjectPaths() {
    PargenFile = ProjectDir + PathSeparator + "pargen.xml";
}

std::string ProgramFolderOf(const std::string& programPath) {
    const auto slash = programPath.find_last_of(PathSeparators);
    if (slash == std::string::npos)
        return std::string();
    return programPath.substr(0, slash);
}
