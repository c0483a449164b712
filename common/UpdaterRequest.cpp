#include "common/UpdaterRequest.h"

#include "common/CommandLine.h"
#include "common/FileContract.h"
#include "common/ProgramPath.h"
#include "common/Text.h"

bool TUpdaterRequest::operator==(const TUpdaterRequest& other) const {
    return PortName == other.PortName && FirmwareWrite == other.FirmwareWrite &&
           FirmwareRead == other.FirmwareRead && ProjectWrite == other.ProjectWrite &&
           ProjectRead == other.ProjectRead && FirmwareFile == other.FirmwareFile &&
           ProjectFolder == other.ProjectFolder;
}

std::string RequestFirmwareFile(const std::string& masterDir) {
    return masterDir + PathSeparator + FirmwareFileName;
}

std::string RequestProjectFolder(const std::string& projectDir) {
    return projectDir + PathSeparator + ImageFolder();
}

bool IsQuotablePath(const std::string& path) {
    return path.find('"') == std::string::npos;
}

std::string ComposeUpdaterParameters(const TUpdaterRequest& request) {
    const auto word = [](bool on, const char* keyword) { return std::string(on ? keyword : NoWord) + " "; };
    return request.PortName + " " + word(request.FirmwareWrite, FirmwareWriteWord) +
           word(request.FirmwareRead, FirmwareReadWord) + word(request.ProjectWrite, ProjectWriteWord) +
           word(request.ProjectRead, ProjectReadWord) + QuoteArgument(request.FirmwareFile) + " " +
           QuoteArgument(request.ProjectFolder);
}

TUpdaterRequest ParseUpdaterRequest(const std::vector<std::string>& args) {
    const auto arg = [&args](std::size_t position) {
        return position <= args.size() ? args[position - 1] : std::string();
    };
    const auto is = [&arg](std::size_t position, const char* keyword) {
        return UpperAsciiLetters(arg(position)) == keyword;
    };
    TUpdaterRequest r;
    r.PortName = arg(1);
    r.FirmwareWrite = is(2, FirmwareWriteWord);
    r.FirmwareRead = is(3, FirmwareReadWord);
    r.ProjectWrite = is(4, ProjectWriteWord);
    r.ProjectRead = is(5, ProjectReadWord);
    r.FirmwareFile = arg(6);
    r.ProjectFolder = arg(7);
    return r;
}
