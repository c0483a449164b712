#pragma once

#include <string>

// Where records go and who writes them, from the system.

// The environment variable that chooses the record file.
constexpr const char* RecordFileVariable = "ZE50321_RECORDS";

// The record file of this user: $XDG_DATA_HOME/ze50321/records.jsonl (~/.local/share when unset) on
// Linux, %LOCALAPPDATA%\ZE50321\records.jsonl on Windows; empty when the system tells no folder.
std::string DefaultRecordFile();

// An environment variable's value as UTF-8; empty when unset.
std::string EnvironmentValue(const char* name);

// This computer's name and the user's login name; empty where the system does not tell.
std::string HostName();
std::string UserName();

// The record file a command writes or reads: --records FILE where given (not empty), else
// $ZE50321_RECORDS where set, else DefaultRecordFile().
std::string ChosenRecordFile(const std::string& recordsOption);
