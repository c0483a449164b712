#pragma once

#include "serial/PortAdapter.h"

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

// The programs' version as the record names it ("1.503").
extern const char* const ProgramVersion;

// One transfer of an update as the record keeps it.
struct TRecordTransfer {
    std::string Region;    // "firmware" or "project"
    std::string Direction; // "write" or "read"
    std::int64_t Blocks = 0;
    std::int64_t Retries = 0;
    std::uint64_t Bytes = 0;
    double Seconds = 0;
    bool Failed = false;
    bool GivenUp = false;
    std::string Error; // what ended it, as the summary says it
};

// Everything one line of the record tells about one finished update.
struct TUpdateRecord {
    std::chrono::system_clock::time_point Start;
    std::chrono::system_clock::time_point End;
    std::string Host;
    std::string User;
    std::string Program; // "ze50321 update", "ze50321 station", "Ser_50321_Update"
    std::string Version = ProgramVersion;
    std::string Port;
    TPortAdapter Adapter;
    std::string FirmwareFile;  // as given; its name, size and hash are read when the line is made
    std::string ProjectFolder; // the folder holding the image, as given
    bool FirmwareWrite = false, FirmwareRead = false, ProjectWrite = false, ProjectRead = false;
    std::string InitLine, FirmwareLine, ProjectLine; // the three lines' final texts
    std::vector<TRecordTransfer> Transfers;
    int ExitCode = 0;
    std::string Label;
};

// The record's line for an update, JSON ending in one line break. The firmware file (when it was
// written) is read for its size and SHA-256, the image (when it was written) for its bytes and
// parameters; a file that cannot be read is noted in the line ("error") rather than failing it.
std::string UpdateRecordLine(const TUpdateRecord& record);

// A moment as UTC ISO 8601 with milliseconds: "2026-12-10T14:39:15.123Z".
std::string UtcIsoTime(std::chrono::system_clock::time_point when);
