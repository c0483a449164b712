#include "tools/Arguments.h"
#include "tools/Commands.h"

#include "common/Terminal.h"
#include "common/UpdaterRequest.h"
#include "record/RecordPlace.h"
#include "serial/ComPortProbe.h"
#include "serial/PortAdapter.h"
#include "station/DistinctDevices.h"
#include "station/Station.h"
#include "station/StationJson.h"
#include "station/StationLines.h"
#include "station/StationTable.h"
#include "updater/CloseSignals.h"
#include "updater/SequenceRecord.h"
#include "updater/UpdateExitCode.h"

#include <cmath>
#include <cstdio>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

const char* const DefaultOptions = "FW,FR,PW,PR";
constexpr int StationTurnMs = 50;

std::string Help() {
    return std::string("Usage: ze50321 station [--options FW,FR,PW,PR] [--all] [--watch] [--json] [--give-up "
                       "SECONDS]\n"
                       "                       [--dev DIR] [--user-ports DIR] FIRMWARE-FILE PROJECT-FOLDER/ "
                       "[PORT...]\n"
                       "\n"
                       "Commissions a bench of converters: the update of `ze50321 update` on every PORT at "
                       "once, in one\n"
                       "process, each port with its own worker, and the outcome of each.\n"
                       "\n"
                       "  FIRMWARE-FILE   the firmware file, such as MASTER/vod50321.sim\n"
                       "  PROJECT-FOLDER/ the folder holding bank.bin, with its final \"/\"\n"
                       "  PORT            a serial device path, such as /dev/ttyUSB0\n"
                       "\n"
                       "Options:\n"
                       "  --options W,W,W,W  the four option words of the update (default ") +
           DefaultOptions +
           "; NO for one not\n"
           "                  wanted): firmware write and read-back, project write and read-back\n"
           "  --all           every port the port list shows (ze50321 ports), besides those given\n"
           "  --watch         then wait for ports to appear and update each new one; a port is taken\n"
           "                  again only after it went away and came back (the next converter). Ports\n"
           "                  there when the watch starts are left alone (unless given or --all).\n"
           "                  Ctrl-C ends the watch; running updates are given up\n"
           "  --json          one JSON document a line on standard output: each event, each finished\n"
           "                  port (its lines, transfers and exit code), then the summary\n"
           "  --give-up SECONDS\n"
           "                  give a transfer up when no block was written or read for this long\n"
           "                  (default 60; 0 waits without end)\n"
           "  --label TEXT    kept in every port's record line (a batch or an order, say)\n"
           "  --records FILE  append each port's record line to FILE (default: $ZE50321_RECORDS, else\n"
           "                  $XDG_DATA_HOME/ze50321/records.jsonl); --no-record: write none\n"
           "  --dev DIR       the device folder to list and watch instead of /dev\n"
           "  --user-ports DIR  take DIR as your port folder of virtual ports (as ze50321 ports does)\n"
           "  -h, --help      this text\n"
           "\n"
           "On a terminal one row per port is redrawn in place (port, adapter, the line now running,\n"
           "percent, bytes per second, elapsed, result) with a summary line under it; otherwise one line\n"
           "per event.\n"
           "\n"
           "Exit codes:\n"
           "  0    every port ended \"OK\"\n"
           "  1-3  the update's code of the worst port: 2 a firmware phase failed, before 3 a project\n"
           "       phase failed, before 1 a device not found\n"
           "  4    nothing to do (neither FW nor PW)\n"
           "  64   a command line that cannot be used\n"
           "  130  interrupted by Ctrl-C (129 SIGHUP, 143 SIGTERM)\n";
}

// The four option words of "FW,FR,PW,PR"; fewer or more than four is refused.
bool SplitOptionWords(const std::string& text, std::vector<std::string>& words) {
    std::stringstream in(text);
    std::string word;
    while (std::getline(in, word, ','))
        words.push_back(word);
    if (!text.empty() && text.back() == ',')
        words.push_back(std::string());
    return words.size() == 4;
}

void AddUnique(std::vector<std::string>& ports, const std::string& port) {
    for (const auto& p : ports)
        if (p == port)
            return;
    ports.push_back(port);
}

} // namespace

int RunStation(const std::vector<std::string>& args) {
    TArguments parsed(args,
                      {{"--options", true},
                       {"--all"},
                       {"--watch"},
                       {"--json"},
                       {"--give-up", true},
                       {"--label", true},
                       {"--records", true},
                       {"--no-record"},
                       {"--dev", true},
                       {"--user-ports", true}},
                      args.size());
    if (parsed.Help) {
        std::fputs(Help().c_str(), stdout);
        return 0;
    }
    double giveUpSeconds = 60;
    TakeGiveUpSeconds(parsed, giveUpSeconds);
    std::vector<std::string> words;
    if (!SplitOptionWords(parsed.Value("--options").value_or(DefaultOptions), words))
        parsed.Refuse("--options takes four words joined by commas, such as FW,FR,PW,NO");
    if (parsed.Has("--records") && parsed.Has("--no-record"))
        parsed.Refuse("--records and --no-record exclude each other");
    parsed.NeedPositional(2, "FIRMWARE-FILE and PROJECT-FOLDER/ are needed");
    const bool all = parsed.Has("--all"), watch = parsed.Has("--watch");
    if (parsed.Error.empty() && parsed.Positional.size() == 2 && !all && !watch)
        parsed.Refuse("no PORT given (nor --all or --watch)");
    if (!parsed.Error.empty())
        return UsageError("station", parsed.Error, Help());

    const auto givenDevDir = parsed.Value("--dev");
    const std::string devDir = givenDevDir ? WithoutTrailingSeparators(*givenDevDir) : DefaultPortFolder;
    const std::string userDir = parsed.Value("--user-ports").value_or(UserPortFolder());
    const auto listPorts = [devDir, userDir] {
        std::vector<std::string> ports;
        for (const auto& name : ListComPorts(devDir))
            ports.push_back(ComPortPath(name, devDir));
        for (const auto& path : ListUserComPorts(userDir))
            ports.push_back(path);
        return DistinctDevices(ports);
    };

    TStationJob job;
    job.Request = ParseUpdaterRequest(
        {std::string(), words[0], words[1], words[2], words[3], parsed.Positional[0], parsed.Positional[1]});
    if (!job.Request.FirmwareWrite && !job.Request.ProjectWrite) {
        std::fputs("Error!!! No update must do into device.\n", stderr);
        return ExitNothingToDo;
    }
    job.DescribeAdapter = [](const std::string& path) { return DescribePortAdapter(path); };
    if (!parsed.Has("--no-record")) {
        const std::string file = ChosenRecordFile(parsed.Value("--records").value_or(""));
        const std::string label = parsed.Value("--label").value_or("");
        job.OnPortFinished = [file, label](const TUpdateSequence& sequence, const TPortResult& result) {
            TRecordContext context;
            context.Program = "ze50321 station";
            context.Label = label;
            context.Start = result.Started;
            context.End = result.Ended;
            context.ExitCode = result.Row.ExitCode;
            context.Adapter = result.Adapter;
            std::string why = "no folder for it is known (set ZE50321_RECORDS or give --records FILE)";
            if (file.empty() || !RecordSequence(sequence, context, file, why))
                std::fprintf(stderr, "ze50321 station: warning: the record of %s was not written: %s\n",
                             result.Row.Port.c_str(), why.c_str());
        };
    }
    job.Timings.InitEndsOnFailedOpen = true;
    // Sixteen sequences turning every 10 ms wake the station 1600 times a second for nothing: a
    // station's sequence looks at its worker every StationTurnMs, and notices the end of a transfer
    // that much later at most.
    job.Timings.TurnMs = StationTurnMs;
    job.Timings.GiveUpMs = static_cast<int>(std::lround(giveUpSeconds * 1000.0));

    std::vector<std::string> ports;
    for (std::size_t i = 2; i < parsed.Positional.size(); ++i)
        AddUnique(ports, parsed.Positional[i]);
    if (all)
        for (const auto& port : listPorts())
            AddUnique(ports, port);
    if (ports.empty() && !watch) {
        std::fprintf(stderr, "ze50321 station: no serial ports found in %s nor in %s\n", devDir.c_str(),
                     userDir.c_str());
        return ExitDeviceNotFound;
    }

    TCloseSignals closeSignals;
    std::unique_ptr<TStationOutput> output;
    if (parsed.Has("--json"))
        output = std::make_unique<TStationJson>(stdout);
    else if (EnableTerminalSequences(stdout))
        output = std::make_unique<TStationTable>(stdout);
    else
        output = std::make_unique<TStationLines>(stdout);
    TWatchSettings settings;
    settings.ListPorts = listPorts;
    TStation station(job, *output, TCloseSignals::Asked(), settings);
    return watch ? station.Watch(ports) : station.Run(ports);
}
