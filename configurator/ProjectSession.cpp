#include "configurator/ProjectSession.h"

#include "common/FileContract.h"
#include "common/Utf8Path.h"
#include "configurator/IniFile.h"
#include "configurator/RunAndWait.h"
#include "icmp/Ping1.h"

#include <chrono>
#include <filesystem>
#include <system_error>
#include <thread>

namespace {

constexpr const char* IniSection = "lastproj";
constexpr const char* IniKey = "projectname";

// The polling round after a ping's exchange: its sleep, and how long the command waits at most.
constexpr std::chrono::milliseconds PingPollSleep{10};
constexpr std::uint32_t PingCommandLimitMs = 10000;

bool IsFolder(const std::string& path) {
    std::error_code ec;
    return std::filesystem::is_directory(Utf8Path(path), ec);
}

// One level, as the program folder's working folders are made; a failure is ignored.
void MakeFolderIfMissing(const std::string& path) {
    std::error_code ec;
    if (!IsFolder(path))
        std::filesystem::create_directory(Utf8Path(path), ec);
}

} // namespace

TProjectSession::TProjectSession() : Values(OwnValues) {}

TProjectSession::TProjectSession(TProjectValues& values) : Values(values) {}

std::string TProjectSession::Caption() const {
    return CaptionPrefix + Shown;
}

void TProjectSession::SetProgramFolder(const std::string& programFolder) {
    Values.ExeDir = programFolder;
    Values.MasterDir = Values.ExeDir + PathSeparator + MasterFolderName;
    Values.ProjectsDir = Values.ExeDir + PathSeparator + ProjectsFolderName;
}

void TProjectSession::Start(const std::string& programPath) {
    SetProgramFolder(ProgramFolderOf(programPath));
    MakeFolderIfMissing(Values.MasterDir);
    MakeFolderIfMissing(Values.ProjectsDir);
    Values.ProjectName.clear();
    Values.ProjectName = ReadProfileString(IniFilePath(), IniSection, IniKey);
    if (!Values.ProjectName.empty() && IsFolder(Values.ProjectsDir + Values.ProjectName)) {
        Values.ProjectDir = Values.ProjectsDir + Values.ProjectName;
        Shown = Values.ProjectName;
    } else {
        Values.ProjectDir = Values.ProjectsDir;
        Shown.clear();
    }
    SetProjectPaths(Values);
}

bool TProjectSession::MakeProjectsFolder() const {
    MakeFolderIfMissing(Values.ProjectsDir);
    return IsFolder(Values.ProjectsDir);
}

std::string TProjectSession::IniFilePath() const {
    return Values.ExeDir + PathSeparator + IniFileName;
}

bool TProjectSession::SaveLastProject() const {
    return WriteProfileString(IniFilePath(), IniSection, IniKey, Values.ProjectName);
}

void TProjectSession::UseProjectFolder(const std::string& folder) {
    Values.ProjectDir = folder;
    SetProjectPaths(Values);
}

TNewProjectOutcome TProjectSession::NewProject(const std::string& destinationDir,
                                               const std::string& typedName) {
    TNewProjectOutcome outcome = MakeNewProject(destinationDir, typedName);
    if (outcome.Created) {
        Values.ProjectName = outcome.Name;
        Values.ProjectDir = destinationDir + Values.ProjectName;
        SetProjectPaths(Values);
    }
    return outcome;
}

void TProjectSession::NewProjectClosed(bool made) {
    if (made)
        Shown = Values.ProjectName;
    else
        Shown.clear();
}

std::string TProjectSession::BeginOpenProject() {
    if (!IsFolder(Values.ProjectDir))
        Values.ProjectDir.clear();
    return Values.ProjectDir;
}

void TProjectSession::EndOpenProject(bool chosen, const std::string& folder) {
    if (chosen)
        Values.ProjectDir = folder;
    Values.ProjectName = Values.ProjectDir.size() > Values.ProjectsDir.size()
                             ? Values.ProjectDir.substr(Values.ProjectsDir.size())
                             : std::string();
    Shown = Values.ProjectName;
    SetProjectPaths(Values);
}

std::string TProjectSession::ParamFilePath() const {
    const std::string found = FindParamFile(PathUtf8(Utf8Path(Values.PargenFile).parent_path()));
    return found.empty() ? Values.PargenFile : found;
}

TParamSource TProjectSession::LoadParams(pugi::xml_document& doc, TWindowParams& read) const {
    std::error_code ec;
    const std::string path = ParamFilePath();
    if (!std::filesystem::is_regular_file(Utf8Path(path), ec))
        return TParamSource::NoFile;
    try {
        LoadParamDocument(doc, path);
    } catch (const std::exception&) {
        return TParamSource::Unreadable;
    }
    read = ReadWindowParams(doc);
    return TParamSource::File;
}

std::optional<TParamCheckFailure> TProjectSession::SaveParams(pugi::xml_document& doc,
                                                              const TParamValues& values) const {
    if (auto failed = CheckParamValues(values))
        return failed;
    BuildParamTree(doc, values);
    SaveParamDocument(doc, ParamFilePath());
    return std::nullopt;
}

TImage TProjectSession::BuildAndWriteImage() const {
    TImage image = BuildImage(Values.ProjectDir);
    WriteImage(Values.ProjectDir, image);
    return image;
}

TUpdaterRequest TProjectSession::UpdaterRequest(const std::string& device, bool firmwareWrite,
                                                bool firmwareRead, bool projectWrite,
                                                bool projectRead) const {
    TUpdaterRequest request;
    request.PortName = device;
    request.FirmwareWrite = firmwareWrite;
    request.FirmwareRead = firmwareRead;
    request.ProjectWrite = projectWrite;
    request.ProjectRead = projectRead;
    request.FirmwareFile = RequestFirmwareFile(Values.MasterDir);
    request.ProjectFolder = RequestProjectFolder(Values.ProjectDir);
    return request;
}

std::string TProjectSession::UpdaterProgram() const {
    return Values.ExeDir + PathSeparator + UpdaterProgramName;
}

std::string TProjectSession::RunUpdater(const TUpdaterRequest& request, int giveUpMs) const {
    // The parameter text puts these between double quotes, and the updater's rules have no escape
    // for a quote inside: it would end the argument early and shift or split the rest.
    for (const std::string& path : {Values.ExeDir, request.FirmwareFile, request.ProjectFolder})
        if (!IsQuotablePath(path))
            return "Cannot start the updater: the path " + path + " contains a double quote.";
    const std::string program = UpdaterProgram();
    const TRunOutcome outcome = RunAndWait(program, ComposeUpdaterParameters(request), false, giveUpMs);
    if (!outcome.Started)
        return "Cannot start " + program + ": " + outcome.Error;
    return std::string();
}

TPingOutcome TProjectSession::PingDevice(TPing1& client, const std::string& host, const std::string& data,
                                         const std::int32_t& pingState,
                                         const std::function<void()>& keepAlive) const {
    const std::uint32_t t0 = TickCountMs();
    try {
        client.Host = host;
        client.Ping(data);
        do {
            std::this_thread::sleep_for(PingPollSleep);
            keepAlive();
        } while (pingState == 0 && TickCountMs() - t0 <= PingCommandLimitMs);
    } catch (const std::exception&) {
        return TPingOutcome::Error;
    }
    return pingState == 1 ? TPingOutcome::Found : TPingOutcome::NotFound;
}

std::int32_t TProjectSession::PingStateFor(const TEchoReply& reply) {
    return FindsDevice(reply) ? 1 : 2;
}

TProjectSession& ProcessSession() {
    static TProjectSession session(CurrentProject());
    return session;
}
