// The Win32 backend of TCustomComm: the device is opened for overlapped I/O; Write and Read wait on
// one completion signal for at most their time-out; a line-event thread waits on WaitCommEvent.

#include "serial/CommPort.h"

#include "common/UniqueHandleWin32.h"
#include "common/WideTextWin32.h"
#include "serial/DcbFlagsWin32.h"

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

#include <windows.h>

namespace {

using TClock = std::chrono::steady_clock;

// PurgeComm flags of the two discards and of the watcher's end.
constexpr DWORD PurgeInput = PURGE_RXABORT | PURGE_RXCLEAR;
constexpr DWORD PurgeOutput = PURGE_TXABORT | PURGE_TXCLEAR;
constexpr DWORD PurgeAll = PurgeInput | PurgeOutput;

// The error a line function answers on a device without modem lines, such as a pseudo-terminal
// that wine maps to a COM port (its driver answers the failed TIOCMBIS with "not supported").
constexpr DWORD NoModemLinesError = ERROR_NOT_SUPPORTED;

int Code(DWORD error) {
    return static_cast<int>(error);
}

TUniqueHandle ManualResetEvent() {
    TUniqueHandle event(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!event.Valid())
        throw ECommError("Error accessing specified device", Code(GetLastError()));
    return event;
}

// The line-event thread: waits for the events of its mask and reads the device's status for each.
// Neither program attaches handlers, so a received byte only wakes WaitForInput. A wait that the
// driver refuses ends the thread (the port works on without it; waits then fall back to polling);
// only a stop requested by Close discards the pending input and output, as the port is let go.
class TCommEventThread {
public:
    TCommEventThread(HANDLE device, DWORD mask, HANDLE received)
        : Device(device), Received(received), Signal(ManualResetEvent()), Stop(ManualResetEvent()) {
        if (!SetCommMask(Device, mask))
            return; // a device without line events: nothing to watch
        Thread = std::thread([this] { Run(); });
    }
    ~TCommEventThread() {
        if (!Thread.joinable())
            return;
        SetEvent(Stop.Get());
        SetCommMask(Device, 0); // completes a pending wait
        Thread.join();
    }
    TCommEventThread(const TCommEventThread&) = delete;
    TCommEventThread& operator=(const TCommEventThread&) = delete;

    bool Running() const { return Alive.load(); }

private:
    void Run() {
        // Above normal, so that line events are taken as they come.
        SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_ABOVE_NORMAL);
        Alive = true;
        const HANDLE waits[] = {Stop.Get(), Signal.Get()};
        for (;;) {
            OVERLAPPED o{};
            o.hEvent = Signal.Get();
            DWORD events = 0;
            if (!WaitCommEvent(Device, &events, &o)) {
                if (GetLastError() != ERROR_IO_PENDING)
                    break;
                if (WaitForMultipleObjects(2, waits, FALSE, INFINITE) != WAIT_OBJECT_0 + 1) {
                    CancelIo(Device);
                    DWORD ignored = 0;
                    GetOverlappedResult(Device, &o, &ignored, TRUE);
                    PurgeComm(Device, PurgeAll);
                    break;
                }
                DWORD ignored = 0;
                if (!GetOverlappedResult(Device, &o, &ignored, FALSE))
                    break;
            }
            ResetEvent(Signal.Get());
            if (WaitForSingleObject(Stop.Get(), 0) == WAIT_OBJECT_0) {
                PurgeComm(Device, PurgeAll);
                break;
            }
            // A wait that ends with no event (wine's, on a device whose modem status cannot be read)
            // would end every next one at once: leave the watching to polling instead.
            if (events == 0)
                break;
            DWORD errors = 0;
            COMSTAT status{};
            ClearCommError(Device, &errors, &status);
            if ((events & EV_RXCHAR) && status.cbInQue > 0)
                SetEvent(Received);
        }
        Alive = false;
        SetEvent(Received); // a waiter goes back to polling
    }

    HANDLE Device;
    HANDLE Received;
    TUniqueHandle Signal;
    TUniqueHandle Stop;
    std::atomic<bool> Alive{false};
    std::thread Thread;
};

} // namespace

std::string CommErrorText(int code) {
    std::string s = SystemErrorText(static_cast<DWORD>(code));
    while (!s.empty() && s.back() == '.')
        s.pop_back();
    return s.empty() ? "system error " + std::to_string(code) : s;
}

struct TCustomComm::TDevice {
    TUniqueHandle Handle; // invalid when closed
    DCB Settings{};       // the line settings, kept between operations
    TUniqueHandle IoSignal = ManualResetEvent();
    TUniqueHandle Received = ManualResetEvent(); // set by the watcher when bytes arrive
    std::unique_ptr<TCommEventThread> Watcher;
    // Held by every use of the handle, so that a Close on one thread never pulls it from under a
    // transfer or a wait on another.
    std::mutex Lock;

    // Ends a transfer that did not complete in time: the OVERLAPPED record must outlive it.
    void Abandon(OVERLAPPED& o) {
        CancelIo(Handle.Get());
        DWORD ignored = 0;
        GetOverlappedResult(Handle.Get(), &o, &ignored, TRUE);
        ResetEvent(IoSignal.Get());
    }
};

TCustomComm::TCustomComm() : Port(std::make_unique<TDevice>()) {}

TCustomComm::~TCustomComm() {
    Close();
}

bool TCustomComm::IsOpen() const {
    std::lock_guard<std::mutex> guard(Port->Lock);
    return Port->Handle.Valid();
}

void TCustomComm::OpenDevice() {
    TUniqueHandle handle(CreateFileW(WideFromUtf8(FDeviceName).c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                                     nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr));
    if (!handle.Valid())
        throw ECommError("Error accessing specified device", Code(GetLastError()));
    if (GetFileType(handle.Get()) != FILE_TYPE_CHAR)
        throw ECommError("Invalid device handle, access denied", -1);
    std::lock_guard<std::mutex> guard(Port->Lock);
    Port->Handle = std::move(handle);
    ResetEvent(Port->Received.Get());
    Port->Watcher = std::make_unique<TCommEventThread>(Port->Handle.Get(), FMonitorEvents & AllCommEvents,
                                                       Port->Received.Get());
}

void TCustomComm::Close() {
    std::lock_guard<std::mutex> guard(Port->Lock);
    if (!Port->Handle.Valid())
        return;
    Port->Watcher.reset();
    Port->Handle.Reset();
}

void TCustomComm::ApplyTimeouts() {
    std::lock_guard<std::mutex> guard(Port->Lock);
    if (!Port->Handle.Valid())
        return;
    // A read returns at once with the bytes already received; Write and Read bound their own waits.
    COMMTIMEOUTS t{};
    t.ReadIntervalTimeout = MAXDWORD;
    if (!SetCommTimeouts(Port->Handle.Get(), &t))
        throw ECommError("Error updating CommTimeouts", Code(GetLastError()));
}

void TCustomComm::ApplySettings() {
    std::lock_guard<std::mutex> guard(Port->Lock);
    if (!Port->Handle.Valid())
        return;
    DCB& d = Port->Settings;
    d.DCBlength = sizeof d;
    GetCommState(Port->Handle.Get(), &d); // on failure the kept settings are sent
    const TLineSettings s = LineSettings(DcbFlags(d));
    d.BaudRate = static_cast<DWORD>(s.Speed);
    d.Parity = static_cast<BYTE>(s.ParityCode);
    d.StopBits = static_cast<BYTE>(s.StopbitsCode);
    d.ByteSize = static_cast<BYTE>(s.ByteSize);
    d.XonChar = s.Chars.XonChar;
    d.XoffChar = s.Chars.XoffChar;
    d.ErrorChar = s.Chars.ErrorChar;
    d.EofChar = s.Chars.EofChar;
    d.EvtChar = s.Chars.EvtChar;
    d.XonLim = static_cast<WORD>(s.XonLim);
    d.XoffLim = static_cast<WORD>(s.XoffLim);
    SetDcbFlags(d, s.Flags);
    if (!SetCommState(Port->Handle.Get(), &d))
        throw ECommError("Error updating DataControlBlock", Code(GetLastError()));
}

void TCustomComm::SetupQueues() {
    std::lock_guard<std::mutex> guard(Port->Lock);
    if (!Port->Handle.Valid())
        return;
    if (!SetupComm(Port->Handle.Get(), static_cast<DWORD>(FReadBufSize), static_cast<DWORD>(FWriteBufSize)))
        throw ECommError("Error initializing Read/Write Buffers", Code(GetLastError()));
}

int TCustomComm::Write(const void* bytes, int count) {
    std::lock_guard<std::mutex> guard(Port->Lock);
    if (!Port->Handle.Valid())
        throw ECommError("Write error", ERROR_INVALID_HANDLE);
    if (count < 0 || (count > 0 && !bytes))
        throw ECommError("Write error", ERROR_INVALID_PARAMETER);
    OVERLAPPED o{};
    o.hEvent = Port->IoSignal.Get();
    ResetEvent(o.hEvent);
    DWORD done = 0;
    if (!WriteFile(Port->Handle.Get(), bytes, static_cast<DWORD>(count), &done, &o) &&
        GetLastError() != ERROR_IO_PENDING)
        throw ECommError("Write error", Code(GetLastError()));
    if (WaitForSingleObject(o.hEvent, static_cast<DWORD>(FWriteTimeout > 0 ? FWriteTimeout : 0)) !=
        WAIT_OBJECT_0) {
        Port->Abandon(o);
        // Drop what is still queued, so that no tail of this transfer reaches the line later.
        PurgeComm(Port->Handle.Get(), PurgeOutput);
        return -1;
    }
    if (!GetOverlappedResult(Port->Handle.Get(), &o, &done, FALSE))
        throw ECommError("Write error", Code(GetLastError()));
    ResetEvent(o.hEvent);
    return static_cast<int>(done);
}

int TCustomComm::Read(void* buffer, int count) {
    std::lock_guard<std::mutex> guard(Port->Lock);
    if (!Port->Handle.Valid())
        throw ECommError("Read error", ERROR_INVALID_HANDLE);
    if (count < 0 || (count > 0 && !buffer))
        throw ECommError("Read error", ERROR_INVALID_PARAMETER);
    OVERLAPPED o{};
    o.hEvent = Port->IoSignal.Get();
    ResetEvent(o.hEvent);
    DWORD done = 0;
    if (!ReadFile(Port->Handle.Get(), buffer, static_cast<DWORD>(count), &done, &o) &&
        GetLastError() != ERROR_IO_PENDING)
        throw ECommError("Read error", Code(GetLastError()));
    if (WaitForSingleObject(o.hEvent, static_cast<DWORD>(FReadTimeout > 0 ? FReadTimeout : 0)) !=
        WAIT_OBJECT_0) {
        Port->Abandon(o);
        return -1;
    }
    if (!GetOverlappedResult(Port->Handle.Get(), &o, &done, FALSE))
        throw ECommError("Read error", Code(GetLastError()));
    ResetEvent(o.hEvent);
    return static_cast<int>(done);
}

int TCustomComm::BytesWaiting() {
    std::lock_guard<std::mutex> guard(Port->Lock);
    if (!Port->Handle.Valid())
        return -1;
    DWORD errors = 0;
    COMSTAT status{};
    if (!ClearCommError(Port->Handle.Get(), &errors, &status))
        throw ECommError("Read error", Code(GetLastError()));
    return static_cast<int>(status.cbInQue);
}

bool TCustomComm::WaitForInput(int ms) {
    std::lock_guard<std::mutex> guard(Port->Lock);
    if (!Port->Handle.Valid())
        throw ECommError(PortNotOpenText, -1);
    const auto deadline = TClock::now() + std::chrono::milliseconds(ms > 0 ? ms : 0);
    for (;;) {
        // Cleared before the look at the queue, so that a byte arriving in between still wakes us.
        ResetEvent(Port->Received.Get());
        DWORD errors = 0;
        COMSTAT status{};
        if (!ClearCommError(Port->Handle.Get(), &errors, &status))
            throw ECommError("Read error", Code(GetLastError()));
        if (status.cbInQue > 0)
            return true;
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - TClock::now()).count();
        if (left <= 0)
            return false;
        // The watcher wakes us when bytes arrive; without one, look again every millisecond.
        const bool watched = Port->Watcher && Port->Watcher->Running();
        WaitForSingleObject(Port->Received.Get(), watched ? static_cast<DWORD>(left) : 1);
    }
}

void TCustomComm::DiscardInput() {
    std::lock_guard<std::mutex> guard(Port->Lock);
    if (Port->Handle.Valid())
        PurgeComm(Port->Handle.Get(), PurgeInput);
}

void TCustomComm::DiscardOutput() {
    std::lock_guard<std::mutex> guard(Port->Lock);
    if (Port->Handle.Valid())
        PurgeComm(Port->Handle.Get(), PurgeOutput);
}

void TCustomComm::LineControl(int code) {
    std::lock_guard<std::mutex> guard(Port->Lock);
    if (!Port->Handle.Valid())
        throw ECommError(PortNotOpenText, -1);
    if (EscapeCommFunction(Port->Handle.Get(), static_cast<DWORD>(code)))
        return;
    const DWORD error = GetLastError();
    // A device without modem lines (under wine, a pseudo-terminal mapped to a COM port) refuses the
    // modem-line functions as not supported, and neither can its modem status be read. There the
    // functions succeed and do nothing, as they do for a pseudo-terminal on Linux. A real port
    // reads its modem status, so its refusals still raise.
    const bool modemLine = code == SETDTR || code == CLRDTR || code == SETRTS || code == CLRRTS;
    DWORD modemStatus = 0;
    if (modemLine && error == NoModemLinesError && !GetCommModemStatus(Port->Handle.Get(), &modemStatus))
        return;
    throw ECommError("EscapeCommFunction failure", Code(error));
}
