#pragma once

#include "common/UpdaterRequest.h"
#include "configurator/ImageBuilder.h"
#include "configurator/NewProject.h"
#include "configurator/ParamChecks.h"
#include "configurator/ParamFile.h"
#include "configurator/ProjectPaths.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

class TPing1;
struct TEchoReply;

// The program folder's working folders and the INI file that remembers the last project.
constexpr const char* MasterFolderName = "MASTER";
constexpr const char* ProjectsFolderName = "PROJECTS";
constexpr const char* IniFileName = "Velmora_RAZ2Idiernet.ini";

// The main window's caption: this prefix, then the shown project name with no blank between.
constexpr const char* CaptionPrefix = "Quorbin Velmora ZA50321 CAN / Ethernet - Converter :";

// Where Set Communication's values came from.
enum class TParamSource {
    NoFile,    // no parameter file: the defaults
    File,      // the file's values, each unreadable one with its fallback
    Unreadable // a file that cannot be read or parsed: the defaults, without a message
};

// The outcome of Ping Device, as its result window shows it.
enum class TPingOutcome { Found, NotFound, Error };

// The configurator's commands without their windows: start-up, New and Open project, Set
// Communication's load and save, Update Via Serial and Ping. A session works on its own
// current-project values, or on the process-wide ones (ProcessSession) that the windows use.
class TProjectSession {
public:
    TProjectSession();
    explicit TProjectSession(TProjectValues& values);
    TProjectSession(const TProjectSession&) = delete;
    TProjectSession& operator=(const TProjectSession&) = delete;

    const TProjectValues& Project() const { return Values; }
    // The name the caption shows after the last command, and the whole caption.
    const std::string& ShownName() const { return Shown; }
    std::string Caption() const;

    // --- Start-up ---
    // ExeDir := programFolder, MasterDir and ProjectsDir below it; nothing is made.
    void SetProgramFolder(const std::string& programFolder);
    // The start-up sequence: the program folder of programPath, MASTER and PROJECTS made when missing
    // (one level, a failure ignored), the remembered project reopened when its folder exists.
    void Start(const std::string& programPath);
    // PROJECTS made when missing (one level); false when it is no folder afterwards.
    bool MakeProjectsFolder() const;
    std::string IniFilePath() const;
    // Exit: ProjectName written to the INI file; false when it cannot be written.
    bool SaveLastProject() const;

    // --- Projects ---
    // A project folder made current without the program folder (the tool's commands).
    void UseProjectFolder(const std::string& folder);
    // New project's OK: the checks and the folders; a project made becomes current.
    TNewProjectOutcome NewProject(const std::string& destinationDir, const std::string& typedName);
    // New project's dialog closed: made (the caption shows the new name) or not (no name shown; the
    // earlier project stays current).
    void NewProjectClosed(bool made);
    // Open project, before the folder browser: ProjectDir emptied when its folder is gone; answers
    // the folder to pre-select (empty: none).
    std::string BeginOpenProject();
    // Open project, after the browser: the chosen folder becomes current, cancelled keeps ProjectDir;
    // either way the name is ProjectDir without ProjectsDir's length of leading characters.
    void EndOpenProject(bool chosen, const std::string& folder);
    // The project commands' guard: false when Open project found the current folder gone.
    bool ProjectValid() const { return !Values.ProjectDir.empty(); }

    // --- Set Communication ---
    // The file to read and replace: PargenFile, or the file of that name in another letter case.
    std::string ParamFilePath() const;
    // Loads the parameter file into doc; read holds the values for File.
    TParamSource LoadParams(pugi::xml_document& doc, TWindowParams& read) const;
    // The seventeen checks, then doc made to hold values and saved: the first failing check (nothing
    // written), or nothing. Raises EParamWriteError when the file cannot be saved.
    std::optional<TParamCheckFailure> SaveParams(pugi::xml_document& doc, const TParamValues& values) const;

    // --- Update Via Serial ---
    // The image of the current project, built and written to its bin folder. Raises EImageError.
    TImage BuildAndWriteImage() const;
    // The updater's request for a device and the four options, with the current folders.
    TUpdaterRequest UpdaterRequest(const std::string& device, bool firmwareWrite, bool firmwareRead,
                                   bool projectWrite, bool projectRead) const;
    std::string UpdaterProgram() const;
    // Starts the updater with request and waits for it (at most giveUpMs). Answers the message to show
    // when it was not started (a path the parameter text cannot carry, a program that does not
    // start), empty otherwise.
    std::string RunUpdater(const TUpdaterRequest& request, int giveUpMs) const;

    // --- Ping ---
    // One echo exchange with host through client (data is the request's data), then polls every 10 ms,
    // calling keepAlive between polls, until pingState is set or 10 s have passed since the start.
    // The client's OnReply is the caller's and sets pingState as PingStateFor says.
    TPingOutcome PingDevice(TPing1& client, const std::string& host, const std::string& data,
                            const std::int32_t& pingState, const std::function<void()>& keepAlive) const;
    // 1 when the reply finds the device (an echo), else 2.
    static std::int32_t PingStateFor(const TEchoReply& reply);

private:
    TProjectValues OwnValues;
    TProjectValues& Values;
    std::string Shown;
};

// The configurator's own session, over the process-wide current-project values.
TProjectSession& ProcessSession();
