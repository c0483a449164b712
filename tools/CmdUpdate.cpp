#include "tools/Arguments.h"
#include "tools/Commands.h"
#include "tools/DiagnosisJson.h"
#include "tools/UpdateCommandLine.h"
#include "tools/UpdateTerminal.h"
#include "tools/json/JsonWriter.h"

#include "common/Terminal.h"
#include "common/UpdaterRequest.h"
#include "record/RecordPlace.h"
#include "serial/PortAdapter.h"
#include "serial/PortDiagnosis.h"
#include "updater/CloseSignals.h"
#include "updater/SequenceJson.h"
#include "updater/SequenceRecord.h"
#include "updater/StatusTable.h"
#include "updater/UpdateArguments.h"
#include "updater/UpdateExitCode.h"
#include "updater/UpdateSequence.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// The updater's arguments: DEVICE FW FR PW PR FIRMWARE-FILE PROJECT-FOLDER/.
constexpr std::size_t UpdaterArgumentCount = 7;

const char* const NothingToDoText = "Error!!! No update must do into device.";

constexpr double LineBitsPerSecond = 115200.0;
constexpr double BitsPerCharacter = 10.0; // start bit, 8 data bits, stop bit

// The option words in a line of the help: the word, padded to the column, then its meaning.
std::string OptionLine(const char* word, const std::string& meaning) {
    return "  " + std::string(word) + std::string(16 - std::string(word).size(), ' ') + "\"" + word + "\" " +
           meaning + "\n";
}

std::string Help() {
    return std::string("Usage: ze50321 update [--trace] [--json] [--give-up SECONDS] [--label TEXT]\n"
                       "                      [--records FILE | --no-record] ") +
           UpdaterArgumentNames +
           "\n"
           "\n"
           "Updates a converter in its boot mode over a serial line, like Ser_50321_Update with the same\n"
           "seven arguments, and shows the INIT, FIRMWARE and PROJECT lines on the terminal.\n"
           "\n"
           "  DEVICE          serial device path, such as /dev/ttyUSB0\n" +
           OptionLine(FirmwareWriteWord,
                      "writes FIRMWARE-FILE into the firmware region (any other word: no)") +
           OptionLine(FirmwareReadWord, "reads the firmware back and compares it (only with FW)") +
           OptionLine(ProjectWriteWord, "writes PROJECT-FOLDER/bank.bin into the configuration region") +
           OptionLine(ProjectReadWord, "reads the image back and compares it (only with PW)") +
           "  FIRMWARE-FILE   the firmware file, such as MASTER/vod50321.sim\n"
           "  PROJECT-FOLDER/ the folder holding bank.bin, with its final \"/\" (\"bank.bin\" is appended as "
           "is)\n"
           "\n"
           "Keywords are compared without regard to the case of a to z; write " +
           NoWord +
           " for an option not wanted.\n"
           "\n"
           "Options (anywhere before a \"--\"):\n"
           "  --trace         print every frame sent (>) and every reply read (<)\n"
           "  --json          one JSON document on standard output at the end: the three lines' final\n"
           "                  texts, per transfer its blocks, retries, bytes and seconds, the port's\n"
           "                  diagnosis when it did not open, why a command line was refused (exit 4),\n"
           "                  and the exit code; the text goes to stderr\n"
           "  --give-up SECONDS\n"
           "                  give a transfer up when no block was written or read for this long\n"
           "                  (default 60; 0 waits without end): its line shows \"Error\", nothing more\n"
           "                  is sent, and the exit code is that of the failed phase\n"
           "  --label TEXT    the converter's serial number (typed or scanned), kept in the record\n"
           "  --records FILE  append the record's line to FILE (default: $ZE50321_RECORDS, else\n"
           "                  $XDG_DATA_HOME/ze50321/records.jsonl); --no-record: write none\n"
           "  -h, --help      this text\n"
           "\n"
           "Every update appends one JSON line to the commissioning record (see ze50321 history); a\n"
           "record that cannot be written is a warning and leaves the exit code as it is.\n"
           "Every block the converter did not take, or whose read failed, is shown as it is repeated.\n"
           "Ctrl-C, SIGTERM and SIGHUP give the update up at once: the transfer stops, the read-back file\n"
           "is removed, and the exit code is 128 plus the signal's number.\n"
           "\n"
           "Exit codes:\n"
           "  0    every requested line ended \"OK\"\n"
           "  1    device not found (the serial device did not open)\n"
           "  2    the firmware phase failed (Error, Error After Read or File Firmware not found)\n"
           "  3    the project phase failed (Error, Error After Read or File Project not found)\n"
           "  4    nothing to do (neither FW nor PW) or a command line that cannot be used\n"
           "  130  interrupted by Ctrl-C (129 SIGHUP, 143 SIGTERM)\n";
}

std::string Format(const char* format, double a, double b = 0, double c = 0) {
    char text[160];
    // The formats are this file's own, each using the first one to three numbers.
    // cppcheck-suppress wrongPrintfScanfArgNum
    std::snprintf(text, sizeof text, format, a, b, c);
    return text;
}

void PrintSummary(TTerminalDisplay& display, const std::vector<TTransferRecord>& transfers,
                  unsigned long long lineBytes) {
    display.Print("Summary:");
    std::int64_t blocks = 0, retries = 0;
    std::uint64_t bytes = 0;
    double seconds = 0;
    for (const auto& t : transfers) {
        const std::string what =
            std::string(t.Region == FirmwareRegion ? "firmware" : "project") + (t.Read ? " read" : " write");
        std::string line = "  " + what + std::string(16 - what.size(), ' ') + ": " +
                           std::to_string(t.Blocks) + " blocks, " + std::to_string(t.Retries) + " retries, " +
                           std::to_string(t.Bytes) + " bytes in " + Format("%.2f s", t.Seconds);
        if (t.Seconds > 0)
            line += Format(", %.0f bytes/s", t.Bytes / t.Seconds);
        if (t.GivenUp)
            line += ", " + t.PortError;
        else if (t.Failed)
            line += ", ended by a port error: " + PortFailureText(t);
        display.Print(line);
        blocks += t.Blocks;
        retries += t.Retries;
        bytes += t.Bytes;
        seconds += t.Seconds;
    }
    std::string total = "  total           : " + std::to_string(blocks) + " blocks, " +
                        std::to_string(retries) + " retries, " + std::to_string(bytes) + " bytes in " +
                        Format("%.2f s", seconds);
    if (seconds > 0)
        total +=
            Format(", %.0f bytes/s; line traffic %.0f bytes, %.1f%% of 115200 bit/s", bytes / seconds,
                   static_cast<double>(lineBytes),
                   static_cast<double>(lineBytes) * BitsPerCharacter / seconds / LineBitsPerSecond * 100.0);
    display.Print(total);
}

// The document's lines, transfers and port for a run of the sequence; for a command line that was
// refused (exit 4), the lines as they stood before any run, no transfer, and error saying why.
struct TJsonRun {
    std::string Device;
    int Init = InitWaiting;
    int Firmware = PhaseNotUsed;
    int Project = PhaseNotUsed;
    const std::vector<TTransferRecord>* Transfers = nullptr;
    unsigned long long LineBytes = 0;
    bool DeviceNotFound = false;
    int OpenError = 0; // the worker's error of the failed open; 0: not known
    std::string Error; // empty: null
};

void PrintJson(const TJsonRun& run, int code) {
    TJsonWriter json;
    json.BeginObject().Member("device", run.Device);
    WriteLineTexts(json, run.Init, run.Firmware, run.Project);
    WriteTransfers(json, run.Transfers ? *run.Transfers : std::vector<TTransferRecord>(), true);
    json.Member("line_bytes", run.LineBytes).Key("port");
    if (run.DeviceNotFound)
        WriteDiagnosisJson(json, run.OpenError != 0 ? DiagnoseFailedOpen(run.Device, run.OpenError)
                                                    : DiagnosePort(run.Device));
    else
        json.Null();
    json.Key("error");
    if (run.Error.empty())
        json.Null();
    else
        json.String(run.Error);
    json.Member("exit_code", code).EndObject();
    std::fputs(json.Text().c_str(), stdout);
    std::fflush(stdout);
}

// A command line that cannot be used: said on standard error, and the document with error saying
// why when --json was asked for.
int Refuse(bool json, const std::string& device, const std::string& error, const std::string& errorText) {
    std::fputs(errorText.c_str(), stderr);
    if (json) {
        TJsonRun run;
        run.Device = device;
        run.Error = error;
        PrintJson(run, ExitNothingToDo);
    }
    return ExitNothingToDo;
}

int ExitCodeOf(const TUpdateSequence& sequence) {
    return UpdateExitCode(sequence, TCloseSignals::Received());
}

} // namespace

TUpdateCommandLine ParseUpdateCommandLine(const std::vector<std::string>& args) {
    TUpdateCommandLine line;
    TArguments parsed(args,
                      {{"--trace"},
                       {"--json"},
                       {"--give-up", true},
                       {"--records", true},
                       {"--no-record"},
                       {"--label", true}},
                      UpdaterArgumentCount);
    line.Help = parsed.Help;
    line.Trace = parsed.Has("--trace");
    line.Json = parsed.Has("--json");
    line.NoRecord = parsed.Has("--no-record");
    line.RecordsFile = parsed.Value("--records").value_or("");
    line.Label = parsed.Value("--label").value_or("");
    TakeGiveUpSeconds(parsed, line.GiveUpSeconds);
    // The updater's window reads a missing argument as empty text; here a missing project folder
    // would take bank.bin from the current folder. None at all is the help.
    if (!parsed.Positional.empty())
        parsed.NeedPositional(UpdaterArgumentCount, std::string("the seven arguments ") +
                                                        UpdaterArgumentNames + " are needed, " +
                                                        std::to_string(parsed.Positional.size()) + " given");
    line.Error = parsed.Error;
    line.Arguments = ParseUpdateArguments(parsed.Positional);
    return line;
}

int RunUpdate(const std::vector<std::string>& args) {
    const TUpdateCommandLine line = ParseUpdateCommandLine(args);
    if (line.Help) {
        std::fputs(Help().c_str(), stdout);
        return 0;
    }
    const bool json = line.Json;
    const bool trace = line.Trace;
    const double giveUpSeconds = line.GiveUpSeconds;
    const TUpdateArguments& arguments = line.Arguments;
    if (!line.Error.empty())
        return Refuse(json, arguments.PortName, line.Error, UsageText("update", line.Error, Help()));
    if (arguments.Mode() == TUpdateMode::Empty)
        return Refuse(json, arguments.PortName, "no arguments", Help());
    if (arguments.Mode() == TUpdateMode::NothingToDo)
        return Refuse(json, arguments.PortName, NothingToDoText, NothingToDoText + std::string("\n"));

    TCloseSignals closeSignals;
    TRecordContext record;
    record.Program = "ze50321 update";
    record.Label = line.Label;
    record.Start = std::chrono::system_clock::now();
    record.Adapter = DescribePortAdapter(arguments.PortName); // before the update, while it is there
    TUpdateTimings timings;
    timings.InitEndsOnFailedOpen = true; // a script learns at once that the port did not open
    timings.GiveUpMs = static_cast<int>(std::lround(giveUpSeconds * 1000.0));
    std::FILE* const text = json ? stderr : stdout;
    TTerminalDisplay display(text, IsTerminal(text), TCloseSignals::Received(), timings.TickMs);
    std::atomic<unsigned long long> lineBytes{0};
    TUpdateSequence sequence(arguments, display, timings);
    sequence.OnWorkerCreated = [&](Tarm_SER& worker) {
        worker.OnFrame = [&display, &lineBytes, trace](bool sent, const std::string& bytes) {
            lineBytes += bytes.size();
            if (trace)
                display.Trace(sent, bytes);
        };
        worker.OnRetry = [&display](bool read, std::uint32_t address, std::int32_t retries) {
            display.ShowRetry(read, address, retries);
        };
    };
    sequence.RunAutoUpdate();
    if (sequence.End == TSequenceEnd::Abandoned)
        display.Print("Interrupted: the transfer was given up and the worker stopped.");
    if (sequence.End == TSequenceEnd::DeviceNotFound)
        display.Print(FormatPortDiagnosis(
            sequence.OpenErrorCode() != 0 ? DiagnoseFailedOpen(arguments.PortName, sequence.OpenErrorCode())
                                          : DiagnosePort(arguments.PortName)));
    if (!sequence.Transfers.empty())
        PrintSummary(display, sequence.Transfers, lineBytes);
    // A port that failed mid-transfer and has gone since: an adapter pulled out, as a rule.
    const bool portFailed = std::any_of(sequence.Transfers.begin(), sequence.Transfers.end(),
                                        [](const TTransferRecord& t) { return t.Failed && !t.GivenUp; });
    if (portFailed) {
        const TPortDiagnosis d = DiagnosePort(arguments.PortName);
        if (d.Verdict == TPortVerdict::Missing)
            display.Print("The port " + arguments.PortName + " " + PortReason(d) +
                          " any more: the adapter was unplugged or its driver let it go.");
    }
    const int code = ExitCodeOf(sequence);
    if (!line.NoRecord) {
        record.End = std::chrono::system_clock::now();
        record.ExitCode = code;
        const std::string file = ChosenRecordFile(line.RecordsFile);
        std::string why = "no folder for it is known (set ZE50321_RECORDS or give --records FILE)";
        if (file.empty() || !RecordSequence(sequence, record, file, why))
            std::fprintf(stderr, "ze50321 update: warning: the record was not written: %s\n", why.c_str());
    }
    if (json) {
        TJsonRun run;
        run.Device = arguments.PortName;
        run.Init = sequence.Init;
        run.Firmware = sequence.Firmware;
        run.Project = sequence.Project;
        run.Transfers = &sequence.Transfers;
        run.LineBytes = lineBytes;
        run.DeviceNotFound = sequence.End == TSequenceEnd::DeviceNotFound;
        run.OpenError = sequence.OpenErrorCode();
        PrintJson(run, code);
    }
    return code;
}
