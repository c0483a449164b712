#include "updater/Tarm_SER.h"

#include "common/SystemError.h"
#include "common/Utf8Path.h"
#include "serial/CommPort.h"
#include "updater/FrameCodec.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <mutex>

static_assert(BlockSize == FrameDataBytes, "a block is what one frame carries");

namespace {

struct TFileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using TFile = std::unique_ptr<std::FILE, TFileCloser>;

// The start operations wake the idle worker at once; this bound only covers a State written from
// outside without them.
constexpr auto IdleBackstop = std::chrono::milliseconds(50);

// Bytes taken from the port per read while a reply is collected.
constexpr int ReadChunk = 512;

std::string SystemError(const std::string& what, const std::string& path, int error) {
    return what + " " + path + ": " + SystemErrorText(error);
}

} // namespace

struct Tarm_SER::TImpl {
    std::unique_ptr<TSerialPort> Port;
    std::uint8_t Frame[FrameCapacity] = {};
    std::uint8_t Block[BlockSize] = {};
    std::uint8_t BlockLength = 0;
    // The file of the operation: handed to the worker by State, closed before State returns to 0.
    TFile File;
    std::string FilePath;
    std::mutex WakeLock;
    std::condition_variable Wake;
};

Tarm_SER::Tarm_SER() : Impl(std::make_unique<TImpl>()) {}

Tarm_SER::~Tarm_SER() {
    Terminate();
}

void Tarm_SER::Start() {
    if (!Thread.joinable())
        Thread = std::thread([this] { Execute(); });
}

void Tarm_SER::Terminate() {
    StopRequested.store(true);
    Notify();
    if (Thread.joinable() && Thread.get_id() != std::this_thread::get_id())
        Thread.join();
}

void Tarm_SER::Notify() {
    { std::lock_guard<std::mutex> lock(Impl->WakeLock); }
    Impl->Wake.notify_one();
}

TStartResult Tarm_SER::BeginStart(TRegionId region, TRegion& r) {
    if (State.load(std::memory_order_acquire) != StateIdle)
        return TStartResult::Busy;
    if (region != TRegionId::Firmware && region != TRegionId::Configuration)
        return TStartResult::FileSizeRefused;
    r = RegionOf(region);
    ErrorSeen = false;
    MemorySpace = 0;
    StartAddress = r.First;
    Address = r.First;
    return TStartResult::Started;
}

TStartResult Tarm_SER::FinishStart(std::int32_t state) {
    Impl->FilePath = FileName;
    TransferFailed = false;
    PortError.clear();
    PortErrorReason.clear();
    RetryCount = 0;
    BlockCount = 0;
    AbandonRequested = false;
    // Last: the worker takes the operation up once it sees State.
    State.store(state, std::memory_order_release);
    Notify();
    return TStartResult::Started;
}

TStartResult Tarm_SER::StartRegionWrite(TRegionId region, const std::string& file, std::int32_t& size) {
    if (State.load(std::memory_order_acquire) != StateIdle)
        return TStartResult::Busy;
    FileName = file;
    return StartRegionWrite(region, size);
}

TStartResult Tarm_SER::StartRegionRead(TRegionId region, const std::string& file, std::int32_t length) {
    if (State.load(std::memory_order_acquire) != StateIdle)
        return TStartResult::Busy;
    FileName = file;
    return StartRegionRead(region, length);
}

TStartResult Tarm_SER::StartRegionWrite(TRegionId region, std::int32_t& size) {
    TRegion r{};
    if (const TStartResult refused = BeginStart(region, r); refused != TStartResult::Started)
        return refused;
    // Looked at before it is opened: opening a FIFO would wait for a writer.
    std::error_code error;
    const std::filesystem::file_type type = std::filesystem::status(Utf8Path(FileName), error).type();
    if (error || type == std::filesystem::file_type::directory)
        return TStartResult::FileError;
    // A device node or a FIFO has no length to announce: it is refused like an empty file instead
    // of being sent as nothing.
    if (type != std::filesystem::file_type::regular)
        return TStartResult::FileSizeRefused;
    TFile file(OpenUtf8File(FileName, "rb"));
    if (!file)
        return TStartResult::FileError;
    // Unbuffered: each block is read from the file as it is sent, so a file cut short meanwhile is
    // noticed at the block it affects.
    std::setvbuf(file.get(), nullptr, _IONBF, 0);
    if (std::fseek(file.get(), 0, SEEK_END) != 0)
        return TStartResult::FileError;
    const long length = std::ftell(file.get());
    if (length < 0)
        return TStartResult::FileError;
    size = static_cast<std::int32_t>(std::min<long>(length, INT32_MAX));
    // An empty file would put a block of zeros at the region's start, a longer one would run past
    // the region's end.
    if (length == 0 || static_cast<unsigned long>(length) > r.Size())
        return TStartResult::FileSizeRefused;
    EndAddress = r.First + static_cast<std::uint32_t>(length) - 1;
    std::rewind(file.get());
    Impl->File = std::move(file);
    ResendPending = 0;
    return FinishStart(StateRegionWrite);
}

TStartResult Tarm_SER::StartRegionRead(TRegionId region, std::int32_t length) {
    TRegion r{};
    if (const TStartResult refused = BeginStart(region, r); refused != TStartResult::Started)
        return refused;
    EndAddress = length == 0 ? r.Last : r.First + static_cast<std::uint32_t>(length) - 1;
    TFile file(OpenUtf8File(FileName, "wb"));
    if (!file)
        return TStartResult::FileError;
    Impl->File = std::move(file);
    return FinishStart(StateRegionRead);
}

void Tarm_SER::RequestReset() {
    State.store(StateResetRequest, std::memory_order_release);
    Notify();
}

void Tarm_SER::AbandonTransfer(const std::string& reason) {
    {
        std::lock_guard<std::mutex> lock(AbandonLock);
        AbandonReason = reason;
    }
    AbandonRequested.store(true, std::memory_order_release);
    Notify();
}

bool Tarm_SER::Interrupted() const {
    return StopRequested.load() || AbandonRequested.load(std::memory_order_acquire);
}

void Tarm_SER::Execute() {
    OpenPort();
    while (!StopRequested) {
        if (State.load(std::memory_order_acquire) == StateRegionRead)
            RunStep(&Tarm_SER::ReadStep);
        if (StopRequested)
            break;
        if (State.load(std::memory_order_acquire) == StateRegionWrite)
            RunStep(&Tarm_SER::WriteStep);
        if (State.load(std::memory_order_acquire) == StateResetRequest) {
            Impl->File.reset();
            State.store(StateIdle, std::memory_order_release);
        }
        WaitForRequest();
    }
}

void Tarm_SER::WaitForRequest() {
    std::unique_lock<std::mutex> lock(Impl->WakeLock);
    Impl->Wake.wait_for(lock, IdleBackstop, [this] {
        const std::int32_t s = State.load(std::memory_order_acquire);
        return StopRequested || s == StateRegionRead || s == StateRegionWrite || s == StateResetRequest;
    });
}

void Tarm_SER::OpenPort() {
    if (PortFactory)
        Impl->Port = PortFactory();
    else
        Impl->Port = std::make_unique<TComm>();
    TSerialPort& port = *Impl->Port;
    try {
        TPortSetup setup;
        setup.DeviceName = DeviceName;
        setup.BaudRate = br115200;
        setup.Databits = da8;
        setup.Parity = paNone;
        setup.Stopbits = sb10;
        setup.FlowControl = fcNone;
        port.Open(setup);
        PortOpened = 1;
        port.SetDtr(true);
    } catch (const ECommError& e) {
        PortOpened = 0;
        OpenError = e.what();
        OpenErrorCode = e.Code;
        OpenErrorReason = e.Reason;
    }
    OpenTried.store(true, std::memory_order_release);
}

void Tarm_SER::RunStep(void (Tarm_SER::*step)()) {
    // A port that fails mid-transfer (an adapter pulled out, say) ends the transfer instead of
    // leaving the sequence waiting on a State that never returns to 0.
    try {
        if (!Impl->Port->IsOpen())
            throw ECommError(PortNotOpenText, -1);
        if (!AbandonRequested.load(std::memory_order_acquire))
            (this->*step)();
        // Checked after the step too: the step's wait ended early, and its block must not count.
        if (AbandonRequested.exchange(false) && State.load(std::memory_order_acquire) != StateIdle) {
            std::lock_guard<std::mutex> lock(AbandonLock);
            FailTransfer(AbandonReason);
        }
    } catch (const ECommError& e) {
        FailTransfer(e.what(), DeviceName + ": " + e.Reason);
    } catch (const std::exception& e) {
        FailTransfer(e.what());
    }
}

void Tarm_SER::FinishTransfer() {
    std::FILE* file = Impl->File.release();
    if (file && std::fclose(file) != 0) {
        FailTransfer(SystemError("Cannot write", Impl->FilePath, errno));
        return;
    }
    State.store(StateIdle, std::memory_order_release);
}

void Tarm_SER::FailTransfer(const std::string& text, const std::string& reason) {
    Impl->File.reset();
    ErrorSeen = true;
    PortError = text;
    PortErrorReason = reason;
    TransferFailed = true;
    State.store(StateIdle, std::memory_order_release);
}

void Tarm_SER::WriteStep() {
    std::uint8_t* block = Impl->Block;
    if (!ResendPending) {
        std::memset(block, 0, BlockSize);
        // The file's bytes still due at this address, as its length was taken at the start; a read
        // that fails or ends early would otherwise send zeros as if they were the file.
        const std::uint32_t due = std::min<std::uint32_t>(BlockSize, EndAddress - Address + 1);
        const size_t got = Impl->File ? std::fread(block, 1, due, Impl->File.get()) : 0;
        if (got != due) {
            const bool failed = Impl->File && std::ferror(Impl->File.get());
            FailTransfer(failed ? SystemError("Cannot read", Impl->FilePath, errno)
                                : "Cannot read " + Impl->FilePath + ": the file ended at " +
                                      std::to_string(Address - StartAddress + got) + " of " +
                                      std::to_string(EndAddress - StartAddress + 1) + " bytes");
            return;
        }
    }
    ResendPending = 0;
    SendWriteFrame(MemorySpace, Address, CommandWrite, block);
    const bool accepted = WaitAcknowledge();
    // A wait that a stop or a give-up ended is no failed block: nothing is sent again.
    if (Interrupted())
        return;
    if (accepted) {
        ++BlockCount;
        Address += BlockSize;
    } else {
        ErrorSeen = true;
        ResendPending = 1;
        const std::int32_t retries = ++RetryCount;
        if (OnRetry)
            OnRetry(false, Address, retries);
    }
    if (Address > EndAddress)
        FinishTransfer();
}

void Tarm_SER::ReadStep() {
    SendCommand(MemorySpace, Address, CommandRead, BlockSize);
    const bool good = ReceiveBlock();
    if (Interrupted())
        return;
    if (good) {
        const size_t length = Impl->BlockLength;
        if (!Impl->File || (length > 0 && std::fwrite(Impl->Block, 1, length, Impl->File.get()) != length)) {
            FailTransfer(SystemError("Cannot write", Impl->FilePath, errno));
            return;
        }
        ++BlockCount;
        Address += BlockSize;
        if (Address > EndAddress)
            FinishTransfer();
        return;
    }
    ErrorSeen = true;
    const std::int32_t retries = ++RetryCount;
    if (OnRetry)
        OnRetry(true, Address, retries);
    if (!Interrupted())
        std::this_thread::sleep_for(std::chrono::milliseconds(Timings.PollMs));
}

void Tarm_SER::SendCommand(std::int32_t memorySpace, std::uint32_t address, int command, int length) {
    TSerialPort& port = *Impl->Port;
    port.DiscardOutput();
    port.DiscardInput();
    const int n = BuildCommandFrame(Impl->Frame, memorySpace, address, command, length);
    Trace(true, Impl->Frame, n);
    port.Write(Impl->Frame, n);
}

void Tarm_SER::SendWriteFrame(std::int32_t memorySpace, std::uint32_t address, int command,
                              const std::uint8_t* data) {
    TSerialPort& port = *Impl->Port;
    const int n = BuildWriteFrame(Impl->Frame, memorySpace, address, command, data);
    port.DiscardOutput();
    port.DiscardInput();
    Trace(true, Impl->Frame, n);
    port.Write(Impl->Frame, n);
}

int Tarm_SER::PollInput(int ms) {
    TSerialPort& port = *Impl->Port;
    port.WaitForInput(ms);
    const int waiting = port.BytesWaiting();
    if (waiting < 0)
        throw ECommError(PortNotOpenText, -1);
    return waiting;
}

int Tarm_SER::ReadWaiting(std::uint8_t* buffer, int& kept, int capacity, int waiting) {
    std::uint8_t chunk[ReadChunk];
    int total = 0;
    while (waiting > 0) {
        const int n = Impl->Port->Read(chunk, std::min(waiting, ReadChunk));
        if (n <= 0)
            break;
        // Whatever does not fit the receive buffer is read all the same and dropped.
        const int keep = std::min(n, capacity - kept);
        if (keep > 0) {
            std::memcpy(buffer + kept, chunk, static_cast<size_t>(keep));
            kept += keep;
        }
        total += n;
        waiting -= n;
    }
    return total;
}

void Tarm_SER::DropWaiting() {
    const int waiting = Impl->Port->BytesWaiting();
    int kept = 0;
    if (waiting > 0)
        ReadWaiting(nullptr, kept, 0, waiting);
}

bool Tarm_SER::WaitAcknowledge() {
    std::uint8_t reply[AckBufferSize];
    int kept = 0;
    int received = 0;
    int idlePolls = 0;
    int settlePolls = 0;
    // Each poll ends as soon as bytes arrive; the reply is complete once a whole poll interval
    // brought none. An answer shorter than an acknowledge that has not ended its line may be the
    // first burst of one (USB adapters deliver in bursts): it gets a few more quiet polls before it
    // is judged. Bytes that never pause end the wait at its bound, and what came is judged then.
    for (int polls = 0; polls < Timings.AckPolls && !Interrupted(); ++polls) {
        const int waiting = PollInput(Timings.PollMs);
        if (waiting > 0) {
            received += ReadWaiting(reply, kept, AckBufferSize, waiting);
            continue;
        }
        if (received > 0) {
            if (kept >= AckMinSize || reply[kept - 1] == '\r' || ++settlePolls > Timings.AckSettlePolls)
                break;
            continue;
        }
        if (++idlePolls >= Timings.AckIdlePolls)
            return false;
    }
    if (received == 0)
        return false;
    Trace(false, reply, kept);
    return IsAcknowledge(reply, kept);
}

bool Tarm_SER::ReceiveBlock() {
    std::memset(Impl->Block, 0, BlockSize);
    Impl->BlockLength = 0;
    std::uint8_t reply[DataReplyBufferSize];
    int kept = 0;
    int received = 0;
    // Every poll interval counts while the reply is short, whether bytes came in it or not, so a
    // reply that trickles in is waited for no longer than a silent one. Within an interval bytes
    // are taken as they come, and a whole reply is decoded at once.
    for (int polls = 0; received < DataReplyMinSize && polls < Timings.DataPolls && !Interrupted(); ++polls) {
        const auto pollEnd = std::chrono::steady_clock::now() + std::chrono::milliseconds(Timings.PollMs);
        for (int left = Timings.PollMs; left > 0 && received < DataReplyMinSize && !Interrupted();) {
            const int waiting = PollInput(left);
            if (waiting > 0)
                received += ReadWaiting(reply, kept, DataReplyBufferSize, waiting);
            left = static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                        pollEnd - std::chrono::steady_clock::now())
                                        .count());
        }
    }
    bool good = false;
    if (received >= DataReplyMinSize) {
        Trace(false, reply, kept);
        const TDataReply decoded = DecodeDataReply(reply, kept, Impl->Block);
        Impl->BlockLength = static_cast<std::uint8_t>(decoded.Length);
        // Every read asks for a whole block: a reply that carries fewer bytes, however well its
        // checksum matches them, would shift every later byte against its address.
        good = decoded.Good && decoded.Length == BlockSize;
    } else if (received > 0) {
        Trace(false, reply, kept);
    }
    DropWaiting();
    return good;
}

void Tarm_SER::Trace(bool sent, const std::uint8_t* bytes, int count) {
    if (OnFrame)
        OnFrame(sent, std::string(reinterpret_cast<const char*>(bytes), static_cast<size_t>(count)));
}
