#pragma once

#include "updater/StatusTable.h"
#include "updater/Tarm_SER.h"
#include "updater/UpdateArguments.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// Delays of the update sequence in milliseconds; tests shorten them.
struct TUpdateTimings {
    int StartDelayMs = 300; // from the automatic window's creation to the sequence
    int TickMs = 100;       // progress tick
    int InitWaitMs = 1200;  // wait after the worker's start: the converter's time after the port opens
                            // and DTR rises, before the first frame
    bool InitEndsOnFailedOpen = false; // end the init wait once the port failed to open (the tool does;
                                       // the window waits it out before "Device Not Found")
    bool InitEndsOnceOpen = false;     // tests only: end the init wait as soon as the port is open
    int PauseMs = 500;                 // pause between steps
    int TurnMs = 10;                   // one turn of a wait
    int GiveUpMs = 0;                  // a transfer with no block written or read for this long is given up;
                                       // 0 waits without end (the window, whose close is the way out)
};

// What the sequence shows and how it waits. The updater's window implements it with labels, timers
// and event processing; the command-line tool on the terminal. The progress tick is the window's
// T_Auto: while it is enabled the display calls OnProgressTick every TickMs from ProcessEvents (or
// from its own event loop), never from inside a tick.
class TUpdateDisplay {
public:
    virtual ~TUpdateDisplay() = default;

    // Sets the three lines from the status table, then processes waiting events.
    virtual void ShowStatus(int init, int firmware, int project) = 0;
    // The progress bar, 0 to 100.
    virtual void SetProgress(int percent) = 0;
    virtual void EnableProgressTick(bool enabled) = 0;
    virtual bool ProgressTickEnabled() const = 0;
    // Handles waiting events, the progress tick included when it is due.
    virtual void ProcessEvents() = 0;
    // True once the user asked to give up (window closed, Ctrl-C).
    virtual bool Abandoned() const = 0;
    // Sleeps without processing events.
    virtual void Pause(int ms);

    // Set by the sequence: the body of one progress tick.
    std::function<void()> OnProgressTick;
};

// Percentage of a transfer: done = address - start, total = end - start, both as unsigned 32-bit
// differences; 0 when either is 0, else done / total x 100 truncated, at most 100.
int ProgressPercent(std::uint32_t address, std::uint32_t start, std::uint32_t end);

// One transfer the worker carried out, for the summary.
struct TTransferRecord {
    TRegionId Region = TRegionId::Firmware;
    bool Read = false;
    std::int32_t Blocks = 0;
    std::int32_t Retries = 0;
    std::uint32_t Bytes = 0; // file bytes moved, whole blocks
    double Seconds = 0;
    bool Failed = false; // a port error ended it, or it was given up
    bool GivenUp = false;
    std::string PortError;       // what ended it
    std::string PortErrorReason; // the device and the system's reason, for a port error
};

// What ended a failed transfer for a person: the port's text and, for a port error, the device and
// the system's reason ("Read error (Error: 5) - /dev/ttyUSB0: Input/output error").
std::string PortFailureText(const TTransferRecord& t);

// How a run of the sequence ended.
enum class TSequenceEnd {
    NotRun,
    DeviceNotFound, // the port did not open within the init wait
    Finished,       // ran to its end (the line states tell the outcome)
    Abandoned       // the user gave up during a wait; the worker was stopped
};

// The automatic update sequence: init, firmware phase, project phase, each outcome on the display.
// Runs on the caller's thread; the worker moves the data on its own thread.
class TUpdateSequence {
public:
    TUpdateSequence(TUpdateArguments args, TUpdateDisplay& display, TUpdateTimings timings = {});
    ~TUpdateSequence();
    TUpdateSequence(const TUpdateSequence&) = delete;
    TUpdateSequence& operator=(const TUpdateSequence&) = delete;

    // The whole sequence, once.
    void RunAutoUpdate();
    // The init step: creates the worker on PortName, starts it and waits InitWaitMs, or less as
    // InitEndsOnFailedOpen and InitEndsOnceOpen allow, or until the user gives up.
    void InitStep();
    // One progress tick: the bar from the worker's addresses, waiting events, and the tick stops
    // once the worker is idle.
    void ProgressTick();

    Tarm_SER* Worker() const { return WorkerPtr.get(); }
    const TUpdateArguments& Arguments() const { return Args; }
    // The port's error code of a failed open (see Tarm_SER::OpenErrorCode); 0 when the port opened
    // or the worker has not tried yet.
    int OpenErrorCode() const;
    const TUpdateTimings& Timings() const { return Delays; }

    // Line states, as last shown.
    int Init = InitWaiting;
    int Firmware = PhaseNotUsed;
    int Project = PhaseNotUsed;
    bool ResetRequested = false;
    TSequenceEnd End = TSequenceEnd::NotRun;
    std::vector<TTransferRecord> Transfers;

    // Called with the new worker before it starts (trace hook, link timings).
    std::function<void(Tarm_SER&)> OnWorkerCreated;
    // Makes the worker's port; empty: a TComm.
    TSerialPortFactory PortFactory;
    // The stamp of a read-back name; the local clock unless replaced.
    std::function<std::string()> Stamp;

private:
    void Show();
    // A transfer's start: its line shows inProgress and the progress tick runs, or "Error".
    void ShowStart(bool started, int inProgress, int& line);
    void Pause();
    // Turns until the progress tick has stopped; false when the user gave up meanwhile.
    bool Wait();
    void Abandon();
    // Abandons the run when the user gave up during a wait or a pause, before the next transfer.
    bool GaveUpBeforeStart();
    // Writes file into region (and reads it back when readBack); the outcome lands in line. False
    // when the user gave up.
    bool RunPhase(TRegionId region, const std::string& file, bool readBack, int& line);
    std::string ReadBackName(TRegionId region) const;
    void Record(TRegionId region, bool read, std::chrono::steady_clock::time_point started);
    void RequestReset();

    TUpdateArguments Args;
    TUpdateDisplay& Display;
    TUpdateTimings Delays;
    std::unique_ptr<Tarm_SER> WorkerPtr;
    std::string PendingReadBack; // a read-back file that exists and is not yet compared
    std::optional<std::chrono::steady_clock::time_point> IdleSeen;
    bool GaveUp = false;
};
