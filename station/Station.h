#pragma once

#include "station/StationOutput.h"
#include "station/StationPort.h"

#include <atomic>
#include <condition_variable>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

// How the station watches the bench.
struct TWatchSettings {
    // The port list, as device paths (ListComPorts of the device folder, then the user's ports).
    std::function<std::vector<std::string>()> ListPorts;
    int PollMs = 500;   // at most twice a second
    int RedrawMs = 200; // the output's tick while ports run
};

// The commissioning station: one TStationPort per port, all at once, each its own thread, sequence,
// worker and port; the output sees their events one at a time. The close signals (interrupted) end
// it: every running update is given up as `ze50321 update` gives it up.
class TStation {
public:
    TStation(TStationJob job, TStationOutput& output, const std::atomic<int>& interrupted,
             TWatchSettings watch = {});
    ~TStation();
    TStation(const TStation&) = delete;
    TStation& operator=(const TStation&) = delete;

    // Updates every port at once and answers once all have ended: the station's exit code.
    int Run(const std::vector<std::string>& ports);
    // Updates ports at once, then every port that appears, until interrupted or Stop: the exit code
    // of all the ports it took. The ports listed at the start and not in ports are left alone until
    // they go and come back.
    int Watch(const std::vector<std::string>& ports);
    // Ends a watch once the running updates have ended (they are not given up); any thread.
    void Stop();

    // The ports that have ended so far, in the order they ended (and their outcomes).
    std::vector<TPortRow> Finished() const;

private:
    void Start(const std::string& port);
    void Post(const TStationEvent& event);
    // Joins the ports that have ended; the ports still running.
    std::set<std::string> Reap();
    void WaitTurn(int ms);
    int End();

    TStationJob Job;
    TStationOutput& Output;
    const std::atomic<int>& Interrupted;
    TWatchSettings Settings;
    std::list<std::unique_ptr<TStationPort>> Running;
    mutable std::mutex Lock; // Output, Done, Changed
    std::condition_variable Wake;
    std::vector<TPortRow> Done;
    bool Changed = false;
    std::atomic<bool> StopAsked{false};
};
