#include "station/Station.h"

#include "station/PortOutcome.h"
#include "station/PortWatch.h"

#include <algorithm>
#include <chrono>
#include <set>
#include <utility>

TStation::TStation(TStationJob job, TStationOutput& output, const std::atomic<int>& interrupted,
                   TWatchSettings watch)
    : Job(std::move(job)), Output(output), Interrupted(interrupted), Settings(std::move(watch)) {}

TStation::~TStation() {
    Running.clear(); // each waits for its sequence
}

void TStation::Post(const TStationEvent& event) {
    std::lock_guard<std::mutex> lock(Lock);
    Output.Event(event);
    // A port that ended wakes the station to join it; other events wait for the next turn.
    if (event.Kind == TStationEventKind::Finished) {
        Done.push_back(event.Row);
        Changed = true;
        Wake.notify_all();
    }
}

void TStation::Start(const std::string& port) {
    Running.push_back(std::make_unique<TStationPort>(
        port, Job, [this](const TStationEvent& e) { Post(e); }, Interrupted));
}

std::set<std::string> TStation::Reap() {
    std::set<std::string> busy;
    for (auto it = Running.begin(); it != Running.end();) {
        if ((*it)->Finished()) {
            it = Running.erase(it);
        } else {
            busy.insert((*it)->Port());
            ++it;
        }
    }
    return busy;
}

void TStation::WaitTurn(int ms) {
    std::unique_lock<std::mutex> lock(Lock);
    Wake.wait_for(lock, std::chrono::milliseconds(ms), [this] { return Changed || StopAsked; });
    Changed = false;
    Output.Tick(std::chrono::steady_clock::now());
}

int TStation::End() {
    while (!Running.empty()) {
        Reap();
        if (!Running.empty())
            WaitTurn(Settings.RedrawMs);
    }
    std::lock_guard<std::mutex> lock(Lock);
    Output.Tick(std::chrono::steady_clock::now());
    const int code = StationExitCode(Done);
    Output.Summary(Done, SummaryText(Done), code);
    return code;
}

int TStation::Run(const std::vector<std::string>& ports) {
    for (const std::string& port : ports)
        Start(port);
    return End();
}

int TStation::Watch(const std::vector<std::string>& ports) {
    const std::vector<std::string> present =
        Settings.ListPorts ? Settings.ListPorts() : std::vector<std::string>();
    TPortWatch watch(present, ports);
    for (const std::string& port : ports)
        Start(port);
    auto nextPoll = std::chrono::steady_clock::now() + std::chrono::milliseconds(Settings.PollMs);
    while (Interrupted.load() == 0 && !StopAsked) {
        const auto now = std::chrono::steady_clock::now();
        if (now >= nextPoll) {
            const std::set<std::string> busy = Reap();
            if (Settings.ListPorts)
                for (const std::string& port : watch.Take(Settings.ListPorts(), busy))
                    Start(port);
            nextPoll = now + std::chrono::milliseconds(Settings.PollMs);
        }
        const auto untilPoll = std::chrono::duration_cast<std::chrono::milliseconds>(
            nextPoll - std::chrono::steady_clock::now());
        const int turn = Running.empty()
                             ? static_cast<int>(untilPoll.count())
                             : std::min<int>(Settings.RedrawMs, static_cast<int>(untilPoll.count()));
        WaitTurn(std::max(turn, 1));
    }
    return End();
}

void TStation::Stop() {
    StopAsked = true;
    std::lock_guard<std::mutex> lock(Lock);
    Wake.notify_all();
}

std::vector<TPortRow> TStation::Finished() const {
    std::lock_guard<std::mutex> lock(Lock);
    return Done;
}
