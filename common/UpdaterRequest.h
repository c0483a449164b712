#pragma once

#include <string>
#include <vector>

// The request the configurator hands the updater: seven positional arguments, the device path, the
// four option words, the firmware file and the folder holding the image with a separator behind it.

// The option words, positions 2 to 5; any other word leaves the option off, and the configurator
// writes NoWord.
constexpr const char* FirmwareWriteWord = "FW";
constexpr const char* FirmwareReadWord = "FR";
constexpr const char* ProjectWriteWord = "PW";
constexpr const char* ProjectReadWord = "PR";
constexpr const char* NoWord = "NO";

// The seven arguments as the updater's usage names them.
constexpr const char* UpdaterArgumentNames = "DEVICE FW FR PW PR FIRMWARE-FILE PROJECT-FOLDER/";

struct TUpdaterRequest {
    std::string PortName;
    bool FirmwareWrite = false; // each option as its own word says, read options taken as written
    bool FirmwareRead = false;
    bool ProjectWrite = false;
    bool ProjectRead = false;
    std::string FirmwareFile;
    std::string ProjectFolder; // "bank.bin" is appended to it without a separator

    bool operator==(const TUpdaterRequest& other) const;
};

// The firmware file in a MASTER folder and the image folder of a project, as the configurator
// names them in its request: masterDir + "/vod50321.sim" and projectDir + "/bin/".
std::string RequestFirmwareFile(const std::string& masterDir);
std::string RequestProjectFolder(const std::string& projectDir);

// A path the parameter text can carry: it goes between double quotes, and the updater's rules have
// no escape for a quote inside.
bool IsQuotablePath(const std::string& path);

// The parameter text: the device path and each word with one blank behind it, then the two paths in
// double quotes with one blank between them and nothing after the last quote.
std::string ComposeUpdaterParameters(const TUpdaterRequest& request);

// The arguments after the program name, read by position: an option is on when its word equals its
// keyword after the letters a to z are turned to upper case; missing arguments read as empty text,
// arguments after the seventh are ignored.
TUpdaterRequest ParseUpdaterRequest(const std::vector<std::string>& args);
