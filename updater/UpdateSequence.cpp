#include "updater/UpdateSequence.h"

#include "common/FileContract.h"
#include "common/SafeFile.h"
#include "common/Utf8Path.h"
#include "updater/CompareFiles.h"
#include "updater/ReadBackNames.h"
#include "updater/SequenceHelpers.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <system_error>
#include <thread>
#include <utility>

namespace {

// How many later milliseconds a read-back name taken by another update may move to.
constexpr int MaxStampShiftMs = 1000;

bool FileExists(const std::string& path) {
    std::error_code ec;
    return std::filesystem::exists(Utf8Path(path), ec) && !std::filesystem::is_directory(Utf8Path(path), ec);
}

} // namespace

void TUpdateDisplay::Pause(int ms) {
    SleepMs(ms);
}

int ProgressPercent(std::uint32_t address, std::uint32_t start, std::uint32_t end) {
    const std::uint32_t done = address - start;
    const std::uint32_t total = end - start;
    if (done == 0 || total == 0)
        return 0;
    const double percent = static_cast<double>(done) / static_cast<double>(total) * 100.0;
    return percent >= 100.0 ? 100 : static_cast<int>(percent);
}

std::string PortFailureText(const TTransferRecord& t) {
    return t.PortErrorReason.empty() ? t.PortError : t.PortError + "- " + t.PortErrorReason;
}

// Five ints: taken by value like the arguments.
// cppcheck-suppress passedByValue
TUpdateSequence::TUpdateSequence(TUpdateArguments args, TUpdateDisplay& display, TUpdateTimings timings)
    : Stamp(CurrentReadBackStamp), Args(std::move(args)), Display(display), Delays(timings) {
    Display.OnProgressTick = [this] { ProgressTick(); };
}

TUpdateSequence::~TUpdateSequence() {
    Display.OnProgressTick = nullptr;
    WorkerPtr.reset(); // stops and joins the worker before its read-back file is removed
    if (!PendingReadBack.empty())
        RemoveSequenceFile(PendingReadBack);
}

void TUpdateSequence::Show() {
    Display.ShowStatus(Init, Firmware, Project);
}

void TUpdateSequence::Pause() {
    Display.Pause(Delays.PauseMs);
}

void TUpdateSequence::InitStep() {
    WorkerPtr.reset();
    WorkerPtr = std::make_unique<Tarm_SER>();
    WorkerPtr->DeviceName = Args.PortName;
    WorkerPtr->PortFactory = PortFactory;
    if (OnWorkerCreated)
        OnWorkerCreated(*WorkerPtr);
    WorkerPtr->Start();
    // The whole wait is the converter's time after the port opened and DTR rose: a first frame sent
    // earlier may come before the boot loader listens. A port that failed to open may end it early
    // where the caller says so, since waiting cannot change that outcome.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(Delays.InitWaitMs);
    const auto settled = [this] {
        return WorkerPtr->OpenTried &&
               (WorkerPtr->PortOpened == 0 ? Delays.InitEndsOnFailedOpen : Delays.InitEndsOnceOpen);
    };
    while (!settled() && !Display.Abandoned() && std::chrono::steady_clock::now() < deadline)
        SleepMs(std::min(Delays.TurnMs, Delays.InitWaitMs));
}

bool TUpdateSequence::GaveUpBeforeStart() {
    if (!Display.Abandoned())
        return false;
    Abandon();
    return true;
}

int TUpdateSequence::OpenErrorCode() const {
    return WorkerPtr && WorkerPtr->OpenTried.load(std::memory_order_acquire) ? WorkerPtr->OpenErrorCode : 0;
}

void TUpdateSequence::ProgressTick() {
    if (!WorkerPtr) {
        Display.EnableProgressTick(false);
        return;
    }
    Display.SetProgress(ProgressPercent(WorkerPtr->Address, WorkerPtr->StartAddress, WorkerPtr->EndAddress));
    Display.ProcessEvents();
    if (WorkerPtr->State == StateIdle)
        Display.EnableProgressTick(false);
}

bool TUpdateSequence::Wait() {
    IdleSeen.reset();
    GaveUp = false;
    std::int32_t blocks = WorkerPtr ? WorkerPtr->BlockCount.load() : 0;
    auto progressed = std::chrono::steady_clock::now();
    do {
        if (WorkerPtr && Delays.GiveUpMs > 0 && !GaveUp && WorkerPtr->State != StateIdle) {
            const auto now = std::chrono::steady_clock::now();
            if (WorkerPtr->BlockCount != blocks) {
                blocks = WorkerPtr->BlockCount;
                progressed = now;
            } else if (now - progressed >= std::chrono::milliseconds(Delays.GiveUpMs)) {
                GaveUp = true;
                WorkerPtr->AbandonTransfer("given up: no block written or read for " +
                                           SecondsText(Delays.GiveUpMs) + " s");
            }
        }
        // The moment the worker went idle, within one turn; the tick notices it up to TickMs later.
        if (!IdleSeen && WorkerPtr && WorkerPtr->State == StateIdle)
            IdleSeen = std::chrono::steady_clock::now();
        Display.ProcessEvents();
        if (Display.Abandoned()) {
            Abandon();
            return false;
        }
        SleepMs(Delays.TurnMs);
    } while (Display.ProgressTickEnabled());
    return true;
}

void TUpdateSequence::Abandon() {
    Display.EnableProgressTick(false);
    if (WorkerPtr) {
        WorkerPtr->Terminate();
        WorkerPtr.reset(); // the worker has closed its file once it is gone
    }
    if (!PendingReadBack.empty()) {
        RemoveSequenceFile(PendingReadBack);
        PendingReadBack.clear();
    }
    End = TSequenceEnd::Abandoned;
}

void TUpdateSequence::RequestReset() {
    WorkerPtr->RequestReset();
    ResetRequested = true;
}

std::string TUpdateSequence::ReadBackName(TRegionId region) const {
    const auto nameFor = [&](const std::string& stamp) {
        return region == FirmwareRegion ? FirmwareReadBackName(Args.FirmwareFile, stamp)
                                        : ImageReadBackName(Args.ProjectFolder, stamp);
    };
    // Updates of several converters from one firmware file would meet on one name when their
    // read-backs start within the same millisecond, and write into and delete each other's file. The
    // name is claimed by creating the file exclusively; a taken one gives way to a later millisecond.
    std::string name = nameFor(Stamp());
    const auto now = std::chrono::system_clock::now();
    for (int shiftMs = 1; shiftMs <= MaxStampShiftMs; ++shiftMs) {
        errno = 0;
        if (CreateNewFile(name))
            break;
        if (errno != EEXIST)
            break; // the worker's open reports what is wrong with the folder
        name = nameFor(ReadBackStamp(now + std::chrono::milliseconds(shiftMs)));
    }
    return name;
}

void TUpdateSequence::Record(TRegionId region, bool read, std::chrono::steady_clock::time_point started) {
    TTransferRecord r;
    r.Region = region;
    r.Read = read;
    r.Blocks = WorkerPtr->BlockCount;
    r.Retries = WorkerPtr->RetryCount;
    r.Bytes = static_cast<std::uint32_t>(r.Blocks) * BlockSize;
    const auto ended = IdleSeen ? *IdleSeen : std::chrono::steady_clock::now();
    r.Seconds = std::chrono::duration<double>(ended - started).count();
    r.Failed = WorkerPtr->TransferFailed;
    r.GivenUp = r.Failed && GaveUp;
    if (r.Failed) {
        r.PortError = WorkerPtr->PortError;
        r.PortErrorReason = WorkerPtr->PortErrorReason;
    }
    Transfers.push_back(r);
}

void TUpdateSequence::ShowStart(bool started, int inProgress, int& line) {
    line = started ? inProgress : PhaseError;
    Show();
    if (started)
        Display.EnableProgressTick(true);
}

bool TUpdateSequence::RunPhase(TRegionId region, const std::string& file, bool readBack, int& line) {
    std::int32_t size = 0;
    auto started = std::chrono::steady_clock::now();
    const TStartResult writeResult = WorkerPtr->StartRegionWrite(region, file, size);
    const bool writeStarted = writeResult == TStartResult::Started;
    ShowStart(writeStarted, PhaseWriting, line);
    if (!Wait())
        return false;
    // A write that a port error ended, or a file the worker refuses for its size (empty, or longer
    // than the region), is a failed phase: a read-back could not tell anything about it, and the
    // comparison with an empty file would even pass.
    const bool writeFailed =
        (writeStarted && WorkerPtr->TransferFailed) || writeResult == TStartResult::FileSizeRefused;
    if (writeStarted)
        Record(region, false, started);
    if (writeFailed) {
        line = PhaseError;
        Show();
    }
    Pause();
    if (writeFailed)
        return true;

    if (!readBack) {
        if (writeStarted)
            line = PhaseOk;
        Show();
        return true;
    }
    if (GaveUpBeforeStart())
        return false;
    Display.SetProgress(0);
    const std::string name = ReadBackName(region);
    started = std::chrono::steady_clock::now();
    const bool readStarted = WorkerPtr->StartRegionRead(region, name, size) == TStartResult::Started;
    if (readStarted)
        PendingReadBack = name;
    ShowStart(readStarted, PhaseReading, line);
    if (!Wait())
        return false;
    if (readStarted) {
        Record(region, true, started);
        if (WorkerPtr->TransferFailed) {
            RemoveSequenceFile(name);
            PendingReadBack.clear();
            line = PhaseError;
            Show();
            return true;
        }
    }
    PendingReadBack.clear();
    line = CompareFiles(file, name) ? PhaseOk : PhaseErrorAfterRead;
    Show();
    return true;
}

void TUpdateSequence::RunAutoUpdate() {
    Transfers.clear();
    ResetRequested = false;
    Init = InitWaiting;
    Firmware = Args.FirmwareWrite ? PhaseWaiting : PhaseNotUsed;
    Project = Args.ProjectWrite ? PhaseWaiting : PhaseNotUsed;
    Show();

    InitStep();
    if (GaveUpBeforeStart())
        return;
    if (!(WorkerPtr->PortOpened > 0)) {
        Init = InitDeviceNotFound;
        Show();
        End = TSequenceEnd::DeviceNotFound;
        return;
    }
    Init = InitOk;
    Show();
    Pause();
    if (GaveUpBeforeStart())
        return;

    if (Args.FirmwareWrite) {
        if (!FileExists(Args.FirmwareFile)) {
            Firmware = PhaseFileNotFound;
            Show();
        } else if (!RunPhase(FirmwareRegion, Args.FirmwareFile, Args.FirmwareRead, Firmware)) {
            return;
        }
    }
    Pause();
    if (Firmware != PhaseOk && Firmware != PhaseNotUsed) {
        Pause();
        RequestReset();
        End = TSequenceEnd::Finished;
        return;
    }

    if (Args.ProjectWrite) {
        if (GaveUpBeforeStart())
            return;
        // The bar is reset and the tick enabled before the image is looked for.
        Display.SetProgress(0);
        Display.EnableProgressTick(true);
        const std::string image = Args.ProjectFolder + ImageFileName;
        if (!FileExists(image)) {
            Project = PhaseFileNotFound;
            Show();
        } else if (!RunPhase(ConfigRegion, image, Args.ProjectRead, Project)) {
            return;
        }
    }
    if (Project == PhaseOk || Project == PhaseFileNotFound) {
        Pause();
        RequestReset();
    }
    End = TSequenceEnd::Finished;
}
