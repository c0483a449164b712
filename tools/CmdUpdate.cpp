#include "tools/Commands.h"
#include "tools/InterruptGuard.h"
#include "tools/UpdateTerminal.h"

#include "common/Terminal.h"
#include "updater/StatusTable.h"
#include "updater/UpdateArguments.h"
#include "updater/UpdateSequence.h"

#include <atomic>
#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

namespace {

// Exit codes of ze50321 update.
constexpr int ExitUpdated = 0;
constexpr int ExitDeviceNotFound = 1;
constexpr int ExitFirmwareFailed = 2;
constexpr int ExitProjectFailed = 3;
constexpr int ExitNothingToDo = 4;
constexpr int ExitInterrupted = 130;

constexpr double LineBitsPerSecond = 115200.0;
constexpr double BitsPerCharacter = 10.0; // start bit, 8 data bits, stop bit

const char* const Help =
    "Usage: ze50321 update [--trace] DEVICE FW FR PW PR FIRMWARE-FILE PROJECT-FOLDER/\n"
    "\n"
    "Updates a converter in its boot mode over a serial line, like Ser_50321_Update with the same\n"
    "seven arguments, and shows the INIT, FIRMWARE and PROJECT lines on the terminal.\n"
    "\n"
    "  DEVICE          serial device path, such as /dev/ttyUSB0\n"
    "  FW              \"FW\" writes FIRMWARE-FILE into the firmware region (any other word: no)\n"
    "  FR              \"FR\" reads the firmware back and compares it (only with FW)\n"
    "  PW              \"PW\" writes PROJECT-FOLDER/bank.bin into the configuration region\n"
    "  PR              \"PR\" reads the image back and compares it (only with PW)\n"
    "  FIRMWARE-FILE   the firmware file, such as MASTER/vod50321.sim\n"
    "  PROJECT-FOLDER/ the folder holding bank.bin, with its final \"/\" (\"bank.bin\" is appended as is)\n"
    "\n"
    "Keywords are compared without regard to the case of a to z; write NO for an option not wanted.\n"
    "\n"
    "Options (before the arguments):\n"
    "  --trace         print every frame sent (>) and every reply read (<)\n"
    "  -h, --help      this text\n"
    "\n"
    "Ctrl-C gives up a transfer that does not end (a converter that stopped answering).\n"
    "\n"
    "Exit codes:\n"
    "  0    every requested line ended \"OK\"\n"
    "  1    device not found (the serial device did not open)\n"
    "  2    the firmware phase failed (Error, Error After Read or File Firmware not found)\n"
    "  3    the project phase failed (Error, Error After Read or File Project not found)\n"
    "  4    nothing to do (neither FW nor PW) or a command line that cannot be used\n"
    "  130  interrupted by Ctrl-C\n";

std::string Format(const char* format, double a, double b = 0, double c = 0) {
    char text[160];
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
            std::string(t.Region == 0 ? "firmware" : "project") + (t.Read ? " read" : " write");
        std::string line = "  " + what + std::string(16 - what.size(), ' ') + ": " +
                           std::to_string(t.Blocks) + " blocks, " + std::to_string(t.Retries) + " retries, " +
                           std::to_string(t.Bytes) + " bytes in " + Format("%.2f s", t.Seconds);
        if (t.Seconds > 0)
            line += Format(", %.0f bytes/s", t.Bytes / t.Seconds);
        if (t.Failed)
            line += ", ended by a port error: " + t.PortError;
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

int ExitCodeOf(const TUpdateSequence& sequence) {
    if (Interrupted || sequence.End == TSequenceEnd::Abandoned)
        return ExitInterrupted;
    if (sequence.End == TSequenceEnd::DeviceNotFound)
        return ExitDeviceNotFound;
    const TUpdateArguments& a = sequence.Arguments();
    if (a.FirmwareWrite && sequence.Firmware != PhaseOk)
        return ExitFirmwareFailed;
    if (a.ProjectWrite && sequence.Project != PhaseOk)
        return ExitProjectFailed;
    return ExitUpdated;
}

} // namespace

int RunUpdate(const std::vector<std::string>& args) {
    bool trace = false;
    std::size_t first = 0;
    for (; first < args.size(); ++first) {
        const std::string& a = args[first];
        if (a == "--help" || a == "-h") {
            std::fputs(Help, stdout);
            return 0;
        }
        if (a == "--trace") {
            trace = true;
        } else if (a == "--") {
            ++first;
            break;
        } else if (a.size() > 1 && a[0] == '-' && a[1] == '-') {
            std::fprintf(stderr, "ze50321 update: unknown option '%s'\n\n%s", a.c_str(), Help);
            return ExitNothingToDo;
        } else {
            break;
        }
    }
    const TUpdateArguments arguments =
        ParseUpdateArguments(std::vector<std::string>(args.begin() + static_cast<long>(first), args.end()));
    if (arguments.Mode() == TUpdateMode::Empty) {
        std::fputs(Help, stderr);
        return ExitNothingToDo;
    }
    if (arguments.Mode() == TUpdateMode::NothingToDo) {
        std::fputs("Error!!! No update must do into device.\n", stderr);
        return ExitNothingToDo;
    }

    TInterruptGuard interruptGuard;
    const TUpdateTimings timings;
    TTerminalDisplay display(stdout, IsTerminal(stdout), Interrupted, timings.TickMs);
    std::atomic<unsigned long long> lineBytes{0};
    TUpdateSequence sequence(arguments, display, timings);
    sequence.OnWorkerCreated = [&](Tarm_SER& worker) {
        worker.OnFrame = [&display, &lineBytes, trace](bool sent, const std::string& bytes) {
            lineBytes += bytes.size();
            if (trace)
                display.Trace(sent, bytes);
        };
    };
    sequence.RunAutoUpdate();
    if (sequence.End == TSequenceEnd::Abandoned)
        display.Print("Interrupted: the transfer was given up and the worker stopped.");
    if (!sequence.Transfers.empty())
        PrintSummary(display, sequence.Transfers, lineBytes);
    return ExitCodeOf(sequence);
}
