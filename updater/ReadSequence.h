#pragma once

#include "updater/StatusTable.h"
#include "updater/Tarm_SER.h"
#include "updater/UpdateSequence.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// The read-only sequence beside the update's: the worker opens the port, the init wait, then one
// region read after another, each into a file of the caller's, and the reset request only when
// asked; no write frame is ever sent. It shows itself on the update's display: INIT, and for each
// read the FIRMWARE or PROJECT line of its region ("Read in Progress...", then "OK" or "Error"),
// with the progress bar per transfer.
class TReadSequence {
public:
    TReadSequence(std::string portName, TUpdateDisplay& display, const TUpdateTimings& timings = {});
    // Stops the worker; a file that a read did not complete is removed.
    ~TReadSequence();
    TReadSequence(const TReadSequence&) = delete;
    TReadSequence& operator=(const TReadSequence&) = delete;

    // Shows "Waiting..." on the lines of the regions to be read, creates the worker on the port,
    // starts it and waits InitWaitMs (ended early by a port that did not open). False, with INIT
    // "Device Not Found" and End DeviceNotFound, when the port did not open; false with End
    // Abandoned when the user gave up during the wait.
    bool Open(const std::vector<TRegionId>& regions);
    // Reads the first length bytes of region in whole blocks (0: the whole region) into file, which
    // is created anew. True once read: the line stays "Read in Progress..." until the caller shows
    // the outcome. False when the worker refused the read, a port error ended it or it was given up
    // (its line shows "Error" and the file is removed), or when the user gave up (End Abandoned).
    bool Read(TRegionId region, std::uint32_t length, const std::string& file);
    // Sets the line of region, as a caller's comparison of what was read decides.
    void ShowOutcome(TRegionId region, int code);
    // The end of a sequence whose port opened and that the user did not give up: the reset request
    // when reset is set.
    void Finish(bool reset);

    Tarm_SER* Worker() const { return WorkerPtr.get(); }
    // The port's error code of a failed open; 0 when the port opened or was not tried.
    int OpenErrorCode() const {
        return WorkerPtr && WorkerPtr->OpenTried.load(std::memory_order_acquire) ? WorkerPtr->OpenErrorCode
                                                                                 : 0;
    }

    // Line states, as last shown.
    int Init = InitWaiting;
    int Firmware = PhaseNotUsed;
    int Project = PhaseNotUsed;
    bool ResetRequested = false;
    TSequenceEnd End = TSequenceEnd::NotRun;
    std::vector<TTransferRecord> Transfers;

    // Called with the new worker before it starts (trace and retry hooks, link timings).
    std::function<void(Tarm_SER&)> OnWorkerCreated;
    // Makes the worker's port; empty: a TComm.
    TSerialPortFactory PortFactory;

private:
    int& Line(TRegionId region) { return region == FirmwareRegion ? Firmware : Project; }
    void Show();
    void ProgressTick();
    // Turns until the transfer has ended; false when the user gave up meanwhile.
    bool AwaitTransfer();
    void Abandon();

    std::string PortName;
    TUpdateDisplay& Display;
    TUpdateTimings Delays;
    std::unique_ptr<Tarm_SER> WorkerPtr;
    std::string PendingFile; // a file the worker is reading into
    std::optional<std::chrono::steady_clock::time_point> IdleSeen;
    bool GaveUp = false;
};
