#include "configurator/NewProject.h"

#include "common/FileContract.h"
#include "common/Text.h"
#include "common/Utf8Path.h"
#include "configurator/ProjectPaths.h"

#include <filesystem>
#include <system_error>

namespace {

// A control character, one byte (C0, DEL) or the two of a C1 one (U+0080 to U+009F) in UTF-8.
bool HasControlCharacter(const std::string& text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x20 || c == 0x7F)
            return true;
        if (c == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
            static_cast<unsigned char>(text[i + 1]) <= 0x9F)
            return true;
    }
    return false;
}

// The names Windows keeps for its devices, with or without an extension ("NUL", "com1.txt"), in
// any letter case; the superscript digits count as digits there.
bool IsDeviceName(const std::string& name) {
    const std::string stem = UpperAsciiLetters(name.substr(0, name.find('.')));
    for (const char* device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"})
        if (stem == device)
            return true;
    if (stem.size() < 4 || (stem.compare(0, 3, "COM") != 0 && stem.compare(0, 3, "LPT") != 0))
        return false;
    const std::string digit = stem.substr(3);
    return (digit.size() == 1 && digit[0] >= '1' && digit[0] <= '9') || digit == "\xC2\xB9" ||
           digit == "\xC2\xB2" || digit == "\xC2\xB3";
}

// A name is one folder below the destination, the same on every workstation a project moves to:
// never empty, never a path (neither separator), never "." or "..", nothing a Windows folder name
// cannot hold (: * ? < > |, a device name, a dot or blank at the end, which Windows drops, so
// that the folder made would not be the one named). The wizard passes the project's path to the
// updater between double quotes, so a quote in it would end the argument early; a control
// character has no place in a name shown in a caption. A blank at the end would not survive the
// INI file either, whose values are read without their outer blanks.
bool IsUsableName(const std::string& name) {
    return !name.empty() && name.find_first_of("/\\\":*?<>|") == std::string::npos && name.back() != ' ' &&
           name.back() != '.' && !IsDeviceName(name) && !HasControlCharacter(name);
}

} // namespace

std::vector<std::string> NewProjectRefusals(const std::string& destinationDir, const std::string& typedName) {
    std::vector<std::string> messages;
    if (destinationDir.empty())
        messages.push_back("directory destination not valid");
    if (!IsUsableName(typedName))
        messages.push_back("Name project not valid");
    std::error_code ec;
    if (messages.empty() && std::filesystem::exists(Utf8Path(destinationDir + PathSeparator + typedName), ec))
        messages.push_back("Name project not valid because directory already exists");
    return messages;
}

TNewProjectOutcome MakeNewProject(const std::string& destinationDir, const std::string& typedName) {
    TNewProjectOutcome outcome;
    outcome.Messages = NewProjectRefusals(destinationDir, typedName);
    if (!outcome.Messages.empty())
        return outcome;

    const std::string folder = destinationDir + PathSeparator + typedName;
    std::error_code ec;
    // A folder that cannot be made keeps the dialog open without a message.
    if (!std::filesystem::create_directory(Utf8Path(folder), ec))
        return outcome;
    std::filesystem::create_directories(Utf8Path(folder + PathSeparator + ImageFolder()), ec);
    outcome.Created = true;
    outcome.Folder = folder;
    outcome.Name = PathSeparator + typedName;
    return outcome;
}
