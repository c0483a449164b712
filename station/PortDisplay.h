#pragma once

#include "station/StationOutput.h"
#include "updater/ProgressTickClock.h"
#include "updater/UpdateSequence.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>

// The display of one port's update sequence: it keeps the port's row and hands every change to
// post as an event. Runs on the port's own thread; ShowRetry also on its worker's.
class TPortDisplay : public TUpdateDisplay {
public:
    using TPost = std::function<void(const TStationEvent&)>;

    // interrupted turns non-zero when the station is to give its updates up (the close signals).
    TPortDisplay(TPortRow row, TPost post, const std::atomic<int>& interrupted, int tickMs);

    // The sequence this display shows, for the worker's addresses behind the bytes per second.
    void Attach(const TUpdateSequence* sequence) { Sequence = sequence; }

    void ShowStatus(int init, int firmware, int project) override;
    void SetProgress(int percent) override;
    void EnableProgressTick(bool enabled) override;
    bool ProgressTickEnabled() const override { return Tick.Enabled(); }
    void ProcessEvents() override;
    bool Abandoned() const override { return Interrupted.load(std::memory_order_acquire) != 0; }

    void ShowRetry(bool read, std::uint32_t address, std::int32_t retries);
    // The row as it stands, with Elapsed brought up to now.
    TPortRow Row();
    // Ends the row with the port's outcome and posts Finished.
    void Finish(const TPortResult& result);

private:
    TStationEvent Snapshot(TStationEventKind kind); // with RowLock held

    TPost Post;
    const std::atomic<int>& Interrupted;
    TProgressTickClock Tick;
    const TUpdateSequence* Sequence = nullptr;
    std::mutex RowLock;
    TPortRow State;
    int Shown[3] = {-1, -1, -1};
    std::chrono::steady_clock::time_point TransferStarted{};
};
