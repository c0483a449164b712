#pragma once

#include <string>
#include <vector>

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
