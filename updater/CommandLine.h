#pragma once

#include <string>
#include <vector>

// Splits a text into arguments by the updater's rules: characters 1 to 32 separate arguments, a pair
// of double quotes at the start of an argument is skipped, a double quote opens a stretch that runs to
// the next double quote (quotes dropped, text around the stretch joins on), a backslash is an ordinary
// character. The text ends at its end or at a NUL. Every item found is returned, the first included:
// this is the form the configurator uses for the updater's parameter text.
std::vector<std::string> SplitCommandLine(const std::string& text);

// A whole process command line: the first item is the program's own path and is not returned.
std::vector<std::string> SplitProcessCommandLine(const std::string& text);

// What the updater's window does with its arguments.
enum class TUpdateMode {
    Empty,      // no arguments: the empty window, no worker
    Auto,       // "FW" or "PW": the automatic update sequence
    NothingToDo // arguments present but neither "FW" nor "PW": the error message, then the end
};

// The updater's seven positional arguments, interpreted.
struct TUpdateArguments {
    int ArgCount = 0;
    std::string PortName;
    bool FirmwareWrite = false;
    bool FirmwareRead = false; // only together with FirmwareWrite
    bool ProjectWrite = false;
    bool ProjectRead = false; // only together with ProjectWrite
    std::string FirmwareFile;
    std::string ProjectFolder; // "bank.bin" is appended to it without a separator

    TUpdateMode Mode() const;
};

// Interprets the arguments after the program name. Positions 2 to 5 are compared with "FW", "FR",
// "PW" and "PR" after the letters a to z are turned to upper case; missing arguments read as empty
// text and arguments after the seventh are ignored.
TUpdateArguments ParseUpdateArguments(const std::vector<std::string>& args);

// The letters a to z turned to upper case, every other byte unchanged.
std::string UpperAsciiLetters(std::string text);
