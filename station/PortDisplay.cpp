#include "station/PortDisplay.h"

#include "updater/StatusTable.h"

#include <utility>

namespace {

const char* const LineNames[3] = {"INIT", "FIRMWARE", "PROJECT"};
const TStatusLine Lines[3] = {TStatusLine::Init, TStatusLine::Firmware, TStatusLine::Project};

double SecondsSince(std::chrono::steady_clock::time_point then, std::chrono::steady_clock::time_point now) {
    return std::chrono::duration<double>(now - then).count();
}

} // namespace

TPortDisplay::TPortDisplay(TPortRow row, TPost post, const std::atomic<int>& interrupted, int tickMs)
    : Post(std::move(post)), Interrupted(interrupted), Tick(tickMs), State(std::move(row)) {}

TStationEvent TPortDisplay::Snapshot(TStationEventKind kind) {
    TStationEvent event;
    event.Kind = kind;
    State.Elapsed = SecondsSince(State.Taken, std::chrono::steady_clock::now());
    event.Row = State;
    return event;
}

void TPortDisplay::ShowStatus(int init, int firmware, int project) {
    const int codes[3] = {init, firmware, project};
    for (int i = 0; i < 3; ++i) {
        if (codes[i] == Shown[i])
            continue;
        Shown[i] = codes[i];
        const TStatusEntry* entry = StatusEntry(Lines[i], codes[i]);
        // A phase that has not begun is no news: the row stays on the line that runs.
        if (!entry || (i > 0 && (codes[i] == PhaseWaiting || codes[i] == PhaseNotUsed)))
            continue;
        TStationEvent event;
        {
            std::lock_guard<std::mutex> lock(RowLock);
            State.Line = LineNames[i];
            State.State = entry->Text;
            if (i > 0 && (codes[i] == PhaseWriting || codes[i] == PhaseReading)) {
                TransferStarted = std::chrono::steady_clock::now();
                State.Percent = 0;
                State.BytesPerSecond = 0;
            }
            event = Snapshot(TStationEventKind::Line);
        }
        Post(event);
    }
    ProcessEvents();
}

void TPortDisplay::SetProgress(int percent) {
    TStationEvent event;
    {
        std::lock_guard<std::mutex> lock(RowLock);
        const auto now = std::chrono::steady_clock::now();
        if (const Tarm_SER* worker = Sequence ? Sequence->Worker() : nullptr) {
            const std::uint32_t done = worker->Address - worker->StartAddress;
            const std::uint32_t total = worker->EndAddress - worker->StartAddress;
            const double seconds = SecondsSince(TransferStarted, now);
            // The last block takes Address one block past EndAddress; a done beyond that is a
            // transfer that has not set its addresses yet.
            if (total > 0 && done <= total + BlockSize && seconds > 0)
                State.BytesPerSecond = done / seconds;
        }
        if (percent == State.Percent)
            return;
        State.Percent = percent;
        event = Snapshot(TStationEventKind::Progress);
    }
    Post(event);
}

void TPortDisplay::EnableProgressTick(bool enabled) {
    Tick.Enable(enabled);
}

void TPortDisplay::ProcessEvents() {
    Tick.Poll(OnProgressTick);
}

void TPortDisplay::ShowRetry(bool read, std::uint32_t address, std::int32_t retries) {
    TStationEvent event;
    {
        std::lock_guard<std::mutex> lock(RowLock);
        event = Snapshot(TStationEventKind::Retry);
    }
    event.Read = read;
    event.Address = address;
    event.Retries = retries;
    Post(event);
}

TPortRow TPortDisplay::Row() {
    std::lock_guard<std::mutex> lock(RowLock);
    return Snapshot(TStationEventKind::Line).Row;
}

void TPortDisplay::Finish(const TPortResult& result) {
    TStationEvent event;
    {
        std::lock_guard<std::mutex> lock(RowLock);
        State = result.Row;
        event.Kind = TStationEventKind::Finished;
        event.Row = State;
    }
    event.Result = &result;
    Post(event);
}
