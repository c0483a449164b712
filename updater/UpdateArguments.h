#pragma once

#include "common/UpdaterRequest.h"

#include <string>
#include <vector>

// What the updater's window does with its arguments.
enum class TUpdateMode {
    Empty,      // no arguments: the empty window, no worker
    Auto,       // "FW" or "PW": the automatic update sequence
    NothingToDo // arguments present but neither "FW" nor "PW": the error message, then the end
};

// The updater's seven positional arguments, interpreted: FirmwareRead only together with
// FirmwareWrite, ProjectRead only together with ProjectWrite.
struct TUpdateArguments : TUpdaterRequest {
    int ArgCount = 0;

    TUpdateMode Mode() const;
};

// Interprets the arguments after the program name as ParseUpdaterRequest reads them.
TUpdateArguments ParseUpdateArguments(const std::vector<std::string>& args);
