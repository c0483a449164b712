#include "updater/ReadSequence.h"

#include "common/FileContract.h"
#include "updater/SequenceHelpers.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <system_error>
#include <thread>
#include <utility>

TReadSequence::TReadSequence(std::string portName, TUpdateDisplay& display, const TUpdateTimings& timings)
    : PortName(std::move(portName)), Display(display), Delays(timings) {
    Display.OnProgressTick = [this] { ProgressTick(); };
}

TReadSequence::~TReadSequence() {
    Display.OnProgressTick = nullptr;
    WorkerPtr.reset(); // stopped and joined: its file is closed before it is removed
    if (!PendingFile.empty())
        RemoveSequenceFile(PendingFile);
}

void TReadSequence::Show() {
    Display.ShowStatus(Init, Firmware, Project);
}

bool TReadSequence::Open(const std::vector<TRegionId>& regions) {
    Transfers.clear();
    ResetRequested = false;
    Init = InitWaiting;
    Firmware = Project = PhaseNotUsed;
    for (const TRegionId region : regions)
        Line(region) = PhaseWaiting;
    Show();

    WorkerPtr = std::make_unique<Tarm_SER>();
    WorkerPtr->DeviceName = PortName;
    WorkerPtr->PortFactory = PortFactory;
    if (OnWorkerCreated)
        OnWorkerCreated(*WorkerPtr);
    WorkerPtr->Start();
    // The converter's time after the port opened and DTR rose, as before an update; only a port that
    // failed to open ends it early.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(Delays.InitWaitMs);
    const auto settled = [this] {
        return WorkerPtr->OpenTried && (WorkerPtr->PortOpened == 0 || Delays.InitEndsOnceOpen);
    };
    while (!settled() && !Display.Abandoned() && std::chrono::steady_clock::now() < deadline)
        SleepMs(std::min(Delays.TurnMs, Delays.InitWaitMs));
    if (Display.Abandoned()) {
        Abandon();
        return false;
    }
    if (!(WorkerPtr->PortOpened > 0)) {
        Init = InitDeviceNotFound;
        Show();
        End = TSequenceEnd::DeviceNotFound;
        return false;
    }
    Init = InitOk;
    Show();
    return true;
}

void TReadSequence::ProgressTick() {
    if (!WorkerPtr) {
        Display.EnableProgressTick(false);
        return;
    }
    Display.SetProgress(ProgressPercent(WorkerPtr->Address, WorkerPtr->StartAddress, WorkerPtr->EndAddress));
    Display.ProcessEvents();
    if (WorkerPtr->State == StateIdle)
        Display.EnableProgressTick(false);
}

bool TReadSequence::AwaitTransfer() {
    IdleSeen.reset();
    GaveUp = false;
    std::int32_t blocks = WorkerPtr->BlockCount;
    auto progressed = std::chrono::steady_clock::now();
    do {
        const auto now = std::chrono::steady_clock::now();
        if (Delays.GiveUpMs > 0 && !GaveUp && WorkerPtr->State != StateIdle) {
            if (WorkerPtr->BlockCount != blocks) {
                blocks = WorkerPtr->BlockCount;
                progressed = now;
            } else if (now - progressed >= std::chrono::milliseconds(Delays.GiveUpMs)) {
                GaveUp = true;
                WorkerPtr->AbandonTransfer("given up: no block read for " + SecondsText(Delays.GiveUpMs) +
                                           " s");
            }
        }
        if (!IdleSeen && WorkerPtr->State == StateIdle)
            IdleSeen = now;
        Display.ProcessEvents();
        if (Display.Abandoned()) {
            Abandon();
            return false;
        }
        SleepMs(Delays.TurnMs);
    } while (Display.ProgressTickEnabled());
    return true;
}

void TReadSequence::Abandon() {
    Display.EnableProgressTick(false);
    WorkerPtr->Terminate();
    WorkerPtr.reset();
    if (!PendingFile.empty()) {
        RemoveSequenceFile(PendingFile);
        PendingFile.clear();
    }
    End = TSequenceEnd::Abandoned;
}

bool TReadSequence::Read(TRegionId region, std::uint32_t length, const std::string& file) {
    int& line = Line(region);
    // A length past the region would read on into whatever follows it.
    const bool fits = length <= RegionOf(region).Size();
    Display.SetProgress(0);
    const auto started = std::chrono::steady_clock::now();
    bool readStarted = false;
    // No worker before Open, nor after the user gave up; no read once the user has given up.
    if (WorkerPtr && Display.Abandoned()) {
        Abandon();
        return false;
    }
    if (fits && WorkerPtr) {
        readStarted = WorkerPtr->StartRegionRead(region, file, static_cast<std::int32_t>(length)) ==
                      TStartResult::Started;
    }
    line = readStarted ? PhaseReading : PhaseError;
    Show();
    if (!readStarted)
        return false;
    PendingFile = file;
    Display.EnableProgressTick(true);
    if (!AwaitTransfer())
        return false;

    TTransferRecord t;
    t.Region = region;
    t.Read = true;
    t.Blocks = WorkerPtr->BlockCount;
    t.Retries = WorkerPtr->RetryCount;
    t.Bytes = static_cast<std::uint32_t>(t.Blocks) * BlockSize;
    t.Seconds =
        std::chrono::duration<double>((IdleSeen ? *IdleSeen : std::chrono::steady_clock::now()) - started)
            .count();
    t.Failed = WorkerPtr->TransferFailed;
    t.GivenUp = t.Failed && GaveUp;
    if (t.Failed) {
        t.PortError = WorkerPtr->PortError;
        t.PortErrorReason = WorkerPtr->PortErrorReason;
    }
    Transfers.push_back(t);
    PendingFile.clear();
    if (t.Failed) {
        RemoveSequenceFile(file);
        line = PhaseError;
        Show();
        return false;
    }
    return true;
}

void TReadSequence::ShowOutcome(TRegionId region, int code) {
    Line(region) = code;
    Show();
}

void TReadSequence::Finish(bool reset) {
    if (End == TSequenceEnd::DeviceNotFound || End == TSequenceEnd::Abandoned || !WorkerPtr)
        return;
    if (reset) {
        Display.Pause(Delays.PauseMs);
        // A give-up during the pause stops here; what was read stays read.
        if (!Display.Abandoned()) {
            WorkerPtr->RequestReset();
            ResetRequested = true;
        }
    }
    End = TSequenceEnd::Finished;
}
