#pragma once

#include "tools/Arguments.h"
#include "tools/UpdateTerminal.h"
#include "tools/json/JsonWriter.h"

#include "serial/PortDiagnosis.h"
#include "updater/CloseSignals.h"
#include "updater/ReadSequence.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// The options of every command that reads a converter (read, verify, params --device, project new
// --from-device), taken as the update takes them.
struct TDeviceReadOptions {
    bool Trace = false;
    bool Json = false;
    bool Reset = false;
    double GiveUpSeconds = 60;
};

// The help lines of those options; `json` adds the line of --json.
std::string DeviceReadOptionsHelp(bool json);

// The options --trace, --json, --reset and --give-up SECONDS, for TArguments.
std::vector<TOptionRule> DeviceReadOptionRules();
// Those options as parsed; a --give-up without a usable number is refused in parsed.
TDeviceReadOptions DeviceReadOptionsOf(TArguments& parsed);

// A file of its own in the system's temporary folder for the worker to read into, removed at the end.
// Made before the port is opened: a folder that refuses it ends the command before any frame.
class TScratchFile {
public:
    TScratchFile();
    ~TScratchFile();
    TScratchFile(const TScratchFile&) = delete;
    TScratchFile& operator=(const TScratchFile&) = delete;

    const std::string& Path() const { return Name; }
    // Empty once made, else "cannot create scratch file PATH: reason".
    const std::string& Problem() const { return Why; }
    // The whole file; false with errno set when it cannot be read.
    bool Contents(std::string& bytes) const;

private:
    std::string Name;
    std::string Why;
};

// A read-only session with a converter on the terminal: close signals noted, the status lines, a
// progress bar per transfer, every re-request, the frames when traced, the port doctor's diagnosis
// when the port does not open, and a summary of the reads.
class TDeviceReader {
public:
    // The text goes to text (stdout, or stderr where stdout takes a JSON document or a result).
    TDeviceReader(const std::string& device, const TDeviceReadOptions& options, std::FILE* text);
    ~TDeviceReader();
    TDeviceReader(const TDeviceReader&) = delete;
    TDeviceReader& operator=(const TDeviceReader&) = delete;

    // The sequence's Open; prints the diagnosis when the port did not open.
    bool Open(const std::vector<TRegionId>& regions);
    // The first length bytes of region into file; false when the read did not end well.
    bool Read(TRegionId region, std::uint32_t length, const TScratchFile& file);
    void ShowOutcome(TRegionId region, int code) { Sequence.ShowOutcome(region, code); }
    // The reset request when asked for, then the summary of the reads.
    void Finish();
    // A line of the command's own, after any progress bar.
    void Print(const std::string& line) { Display.Print(line); }

    // 128 plus the signal's number when a close signal (or the user) ended the session, else 0.
    int SignalExitCode() const;
    bool DeviceNotFound() const { return Sequence.End == TSequenceEnd::DeviceNotFound; }
    // Why the session did not read what it was asked: the device not found and why, a read given
    // up or ended by a port error, or "interrupted"; empty when every read ended well.
    std::string FailureText() const;
    // The members every read command's document starts with: the device, the lines' final texts,
    // the reads, whether the reset was requested and the port's diagnosis (null when it opened).
    void WriteJsonMembers(TJsonWriter& json) const;

private:
    // The port doctor's findings, from the worker's open error where it has one.
    TPortDiagnosis Diagnosis() const;

    std::string Device;
    TDeviceReadOptions Options;
    TCloseSignals CloseSignals;
    TTerminalDisplay Display;
    TReadSequence Sequence;
};

// A device address as the tool prints it: 0x004080.
std::string AddressText(std::uint32_t address);
