#include "configurator/ProjectPaths.h"

#include "configurator/ParamFile.h"

TProjectValues& CurrentProject() {
    static TProjectValues values;
    return values;
}

std::string& ExeDir = CurrentProject().ExeDir;
std::string& MasterDir = CurrentProject().MasterDir;
std::string& ProjectsDir = CurrentProject().ProjectsDir;
std::string& ProjectDir = CurrentProject().ProjectDir;
std::string& ProjectName = CurrentProject().ProjectName;
std::string& PargenFile = CurrentProject().PargenFile;

void SetProjectPaths(TProjectValues& values) {
    values.PargenFile = values.ProjectDir + PathSeparator + WindowParamFileName;
}

void SetProjectPaths() {
    SetProjectPaths(CurrentProject());
}

std::string ProgramFolderOf(const std::string& programPath) {
    const auto slash = programPath.find_last_of(PathSeparators);
    if (slash == std::string::npos)
        return std::string();
    return programPath.substr(0, slash);
}
