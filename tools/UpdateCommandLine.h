#pragma once

#include "updater/UpdateArguments.h"

#include <string>
#include <vector>

// What `ze50321 update` was asked: its options and the updater's seven arguments.
struct TUpdateCommandLine {
    bool Help = false;
    bool Trace = false;
    bool Json = false;
    double GiveUpSeconds = 60;
    bool NoRecord = false;   // --no-record
    std::string RecordsFile; // --records FILE; empty: $ZE50321_RECORDS or the default
    std::string Label;       // --label TEXT
    TUpdateArguments Arguments;
    std::string Error; // empty: the line can be used
};

// The arguments after "update"; options may stand anywhere before a "--".
TUpdateCommandLine ParseUpdateCommandLine(const std::vector<std::string>& args);
