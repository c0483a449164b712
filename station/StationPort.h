#pragma once

#include "station/PortDisplay.h"
#include "station/StationOutput.h"
#include "updater/UpdateSequence.h"

#include <atomic>
#include <functional>
#include <string>
#include <thread>

// What every port of a station gets: the update asked for, how it runs, and what happens around it.
struct TStationJob {
    TUpdaterRequest Request; // options, firmware file and project folder; PortName is each port's
    TUpdateTimings Timings;
    // Worker settings of the station's own (tests shorten the reply waits); may be empty.
    std::function<void(Tarm_SER&)> SetUpWorker;
    // The adapter behind a device path, asked when the port is taken; may be empty.
    std::function<TPortAdapter(const std::string& path)> DescribeAdapter;
    // Called on the port's thread with its finished sequence and outcome, before the station shows
    // it: the commissioning record's line.
    std::function<void(const TUpdateSequence&, const TPortResult&)> OnPortFinished;
};

// One port of the station: its own thread runs its own update sequence, with its own worker and
// display, from construction until the sequence ends. Nothing of it is shared with other ports.
class TStationPort {
public:
    // post receives the port's events, from its thread and from its worker's.
    TStationPort(const std::string& port, const TStationJob& job, TPortDisplay::TPost post,
                 const std::atomic<int>& interrupted);
    // Waits for the sequence to end.
    ~TStationPort();
    TStationPort(const TStationPort&) = delete;
    TStationPort& operator=(const TStationPort&) = delete;

    const std::string& Port() const { return Path; }
    bool Finished() const { return Done.load(std::memory_order_acquire); }
    // Valid once Finished.
    const TPortResult& Result() const { return Outcome; }

private:
    void Run(const TStationJob& job, const TPortRow& row, const TPortDisplay::TPost& post);

    std::string Path;
    const std::atomic<int>& Interrupted;
    TPortResult Outcome;
    std::atomic<bool> Done{false};
    std::thread Thread;
};
