#include "station/StationPort.h"

#include "station/AdapterColumn.h"
#include "station/PortOutcome.h"
#include "updater/UpdateExitCode.h"

#include <atomic>
#include <utility>

TStationPort::TStationPort(const std::string& port, const TStationJob& job, TPortDisplay::TPost post,
                           const std::atomic<int>& interrupted)
    : Path(port), Interrupted(interrupted) {
    // Taken on the caller's thread, so that the rows stand in the order the ports were taken.
    TPortRow row;
    row.Port = Path;
    row.Name = PortShortName(Path);
    row.Taken = std::chrono::steady_clock::now();
    row.Line = "INIT";
    if (job.DescribeAdapter) {
        Outcome.Adapter = job.DescribeAdapter(Path);
        row.Adapter = AdapterColumn(Outcome.Adapter);
    }
    TStationEvent taken;
    taken.Kind = TStationEventKind::Taken;
    taken.Row = row;
    post(taken);
    Thread = std::thread([this, job, row, post = std::move(post)] { Run(job, row, post); });
}

TStationPort::~TStationPort() {
    if (Thread.joinable())
        Thread.join();
}

void TStationPort::Run(const TStationJob& job, const TPortRow& row, const TPortDisplay::TPost& post) {
    Outcome.Started = std::chrono::system_clock::now();

    TUpdateArguments arguments;
    static_cast<TUpdaterRequest&>(arguments) = job.Request;
    arguments.PortName = Path;
    arguments.ArgCount = 7;
    TPortDisplay display(row, post, Interrupted, job.Timings.TickMs);
    std::atomic<unsigned long long> lineBytes{0};
    {
        TUpdateSequence sequence(arguments, display, job.Timings);
        display.Attach(&sequence);
        sequence.OnWorkerCreated = [&](Tarm_SER& worker) {
            if (job.SetUpWorker)
                job.SetUpWorker(worker);
            worker.OnFrame = [&lineBytes](bool, const std::string& bytes) { lineBytes += bytes.size(); };
            worker.OnRetry = [&display](bool read, std::uint32_t address, std::int32_t retries) {
                display.ShowRetry(read, address, retries);
            };
        };
        sequence.RunAutoUpdate();
        display.Attach(nullptr);

        Outcome.Arguments = arguments;
        Outcome.Init = sequence.Init;
        Outcome.Firmware = sequence.Firmware;
        Outcome.Project = sequence.Project;
        Outcome.End = sequence.End;
        Outcome.Transfers = sequence.Transfers;
        Outcome.Row = display.Row();
        Outcome.Row.ExitCode = UpdateExitCode(sequence, Interrupted.load());
        Outcome.Ended = std::chrono::system_clock::now();
        Outcome.LineBytes = lineBytes;
        TPortRow& r = Outcome.Row;
        r.Reason = r.ExitCode == ExitUpdated ? std::string() : FailureReason(Outcome, r.Line);
        r.Result = r.ExitCode == ExitUpdated ? ResultOk : ResultError;
        double bytes = 0, seconds = 0;
        for (const TTransferRecord& t : Outcome.Transfers) {
            bytes += t.Bytes;
            seconds += t.Seconds;
        }
        r.BytesPerSecond = seconds > 0 ? bytes / seconds : 0;
        if (job.OnPortFinished)
            job.OnPortFinished(sequence, Outcome);
    } // the worker is stopped and the port closed before the outcome is shown
    display.Finish(Outcome);
    Done.store(true, std::memory_order_release);
}
