#pragma once

#include "serial/PortAdapter.h"
#include "updater/UpdateArguments.h"
#include "updater/UpdateSequence.h"

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

// Result words of a finished port.
constexpr const char* ResultOk = "OK";
constexpr const char* ResultError = "Error";

// What the station shows of one port: a row of its table.
struct TPortRow {
    std::string Port;    // the device path
    std::string Name;    // its short name, the path's last part ("ttyUSB4")
    std::string Adapter; // what is behind it; empty when not known
    std::string Line;    // the line now running: "INIT", "FIRMWARE" or "PROJECT"
    std::string State;   // that line's text ("Write in Progress...")
    int Percent = 0;
    double BytesPerSecond = 0; // of the transfer running; once finished, of all its transfers
    double Elapsed = 0;        // seconds since the port was taken, when the row was last changed
    std::chrono::steady_clock::time_point Taken{};
    std::string Result; // empty while running, then ResultOk or ResultError
    std::string Reason; // for an error: the line and what failed ("FIRMWARE not acknowledged")
    int ExitCode = -1;  // the update's exit code, once finished
};

// All that is known of a finished port; what the commissioning record takes.
struct TPortResult {
    TPortRow Row;
    TPortAdapter Adapter;
    TUpdateArguments Arguments;
    int Init = InitWaiting;
    int Firmware = PhaseNotUsed;
    int Project = PhaseNotUsed;
    TSequenceEnd End = TSequenceEnd::NotRun;
    std::vector<TTransferRecord> Transfers;
    std::chrono::system_clock::time_point Started{}, Ended{};
    unsigned long long LineBytes = 0; // bytes sent and received on the line
};

// The short name of a device path: below the device folder the path inside it ("ttyUSB4", "pts/3"),
// elsewhere its last part.
std::string PortShortName(const std::string& path);
