#pragma once

#include <string>
#include <vector>

// One entry per subcommand of ze50321. Each Run* takes the arguments after the subcommand's name
// and returns the process exit code; each lives in its own Cmd*.cpp.

struct TToolCommand {
    const char* Name;
    const char* Summary;
    int (*Run)(const std::vector<std::string>& args);
};

int RunBuildImage(const std::vector<std::string>& args);
int RunSimulate(const std::vector<std::string>& args);
int RunUpdate(const std::vector<std::string>& args);
int RunPorts(const std::vector<std::string>& args);
int RunPing(const std::vector<std::string>& args);
int RunProject(const std::vector<std::string>& args);
int RunParams(const std::vector<std::string>& args);
int RunRead(const std::vector<std::string>& args);
int RunVerify(const std::vector<std::string>& args);
int RunStation(const std::vector<std::string>& args);
int RunHistory(const std::vector<std::string>& args);

// Exit code for a command line the tool cannot use.
constexpr int ExitUsage = 64;
