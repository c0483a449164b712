#pragma once

#include "station/PortRow.h"

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

enum class TStationEventKind {
    Taken,    // the station took the port; its update starts
    Line,     // a status line changed: Row.Line and Row.State
    Progress, // the transfer's percentage changed
    Retry,    // a block is repeated
    Finished  // the update ended: Row.Result, Row.Reason, Row.ExitCode, and Result
};

struct TStationEvent {
    TStationEventKind Kind = TStationEventKind::Taken;
    TPortRow Row; // the port's row after the event
    // Retry: the block's device address, the retries so far, and whether it is a read.
    std::uint32_t Address = 0;
    std::int32_t Retries = 0;
    bool Read = false;
    // Finished: everything known of the port.
    const TPortResult* Result = nullptr;
};

// What the station shows. The station calls it from one thread at a time, never two at once.
class TStationOutput {
public:
    virtual ~TStationOutput() = default;
    virtual void Event(const TStationEvent& event) = 0;
    // A few times a second while ports run, and once before Summary; now is the steady clock's.
    virtual void Tick(std::chrono::steady_clock::time_point now) { (void)now; }
    // Once at the end: every finished port in the order taken, the summary line and the exit code.
    virtual void Summary(const std::vector<TPortRow>& finished, const std::string& text, int exitCode) = 0;
};
