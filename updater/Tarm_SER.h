#pragma once

#include "serial/SerialPort.h"
#include "updater/RegionMap.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

constexpr int BlockSize = 128;

// Worker states.
constexpr std::int32_t StateIdle = 0;
constexpr std::int32_t StateRegionRead = 5;
constexpr std::int32_t StateRegionWrite = 6;
constexpr std::int32_t StateResetRequest = 7;

// Results of the start operations.
enum class TStartResult : std::int32_t {
    Started = 1,
    Busy = -1,
    FileError = -2,       // the file cannot be opened or created
    FileSizeRefused = -3, // empty file, longer than its region, or no such region
};

// Poll counts and interval of the reply waits; tests may shorten them.
struct TBootLinkTimings {
    int PollMs = 10;
    int AckIdlePolls = 1100; // silent polls before an acknowledge counts as missing
    int AckPolls = 1100;     // polls of any kind: bytes that never pause end the wait, and are judged
    int AckSettlePolls = 10; // quiet polls a short answer without its carriage return gets to complete
    int DataPolls = 50;      // poll intervals of any kind while fewer bytes than a data reply came
};

// The boot-link worker: owns the serial port from its first act (OpenPort) until it is destroyed,
// and moves one file into or out of a device region at a time. The sequence on the other thread
// sets FileName and calls a start operation only while State is 0; a start operation sets every
// other field first and State last, and the worker closes its file before it sets State back to 0.
class Tarm_SER {
public:
    // Created without starting; set DeviceName (and Timings, OnFrame, PortFactory) before Start.
    Tarm_SER();
    // Asks the thread to stop, joins it and releases the port.
    ~Tarm_SER();
    Tarm_SER(const Tarm_SER&) = delete;
    Tarm_SER& operator=(const Tarm_SER&) = delete;

    void Start();
    // Stop request: the run loop ends at its next pass, a transfer in progress is abandoned.
    void Terminate();

    // Writes the file named by FileName into region; size receives the file's length.
    TStartResult StartRegionWrite(TRegionId region, std::int32_t& size);
    // Reads region (its first length bytes in whole blocks, 0 the whole) into the file named by
    // FileName, created anew.
    TStartResult StartRegionRead(TRegionId region, std::int32_t length);
    // The same with the file given: FileName is set to it first.
    TStartResult StartRegionWrite(TRegionId region, const std::string& file, std::int32_t& size);
    TStartResult StartRegionRead(TRegionId region, const std::string& file, std::int32_t length);
    void RequestReset();
    // Ends the transfer in progress as failed with reason as its PortError, at the worker's next
    // poll; nothing more is sent for it. No effect on an idle worker.
    void AbandonTransfer(const std::string& reason);

    // Shared fields, as the sequence sees them.
    std::atomic<std::int32_t> PortOpened{0};
    std::atomic<bool> OpenTried{false}; // set once OpenPort has finished, whatever its outcome
    // Why the port did not open: the port's text ("Error accessing specified device (Error: 2) "),
    // its code and the system's reason. Written before OpenTried.
    std::string OpenError;
    int OpenErrorCode = 0;
    std::string OpenErrorReason;
    std::atomic<std::int32_t> State{StateIdle};
    std::atomic<std::int32_t> BlockCount{0};
    std::string DeviceName;
    std::atomic<std::uint32_t> Address{0};
    std::atomic<std::uint32_t> StartAddress{0};
    std::atomic<std::uint32_t> EndAddress{0};
    std::atomic<std::int32_t> MemorySpace{0};
    std::string FileName;
    std::atomic<bool> ErrorSeen{false};
    std::atomic<std::int32_t> ResendPending{0};

    // Set when a port error ended the current transfer; PortError holds its text ("Read error
    // (Error: 5) "), PortErrorReason the device and the system's reason ("/dev/ttyUSB0: Input/output
    // error"; empty for a failure that is not the port's). All are written before State returns to 0
    // and cleared by the next start operation.
    std::atomic<bool> TransferFailed{false};
    std::string PortError;
    std::string PortErrorReason;

    // Failed block exchanges (resends and repeated reads) since the operation started.
    std::atomic<std::int32_t> RetryCount{0};

    TBootLinkTimings Timings;
    // Makes the port OpenPort opens; empty: a TComm.
    TSerialPortFactory PortFactory;

    // Called on the worker thread with every frame sent (Sent true) and every reply read.
    std::function<void(bool sent, const std::string& bytes)> OnFrame;
    // Called on the worker thread each time a block is to be repeated (a write not acknowledged, a
    // read without a good reply), with its address and RetryCount so far.
    std::function<void(bool read, std::uint32_t address, std::int32_t retries)> OnRetry;

private:
    struct TImpl;

    // The start operations' common parts: the busy and region checks with the address fields
    // (Started when the start may go on), and the fields set last, State the very last.
    TStartResult BeginStart(TRegionId region, TRegion& r);
    TStartResult FinishStart(std::int32_t state);

    bool Interrupted() const;
    void Execute();
    void OpenPort();
    void WaitForRequest();
    void Notify();
    void RunStep(void (Tarm_SER::*step)());
    void WriteStep();
    void ReadStep();
    void FinishTransfer();
    void FailTransfer(const std::string& text, const std::string& reason = std::string());
    void SendCommand(std::int32_t memorySpace, std::uint32_t address, int command, int length);
    void SendWriteFrame(std::int32_t memorySpace, std::uint32_t address, int command,
                        const std::uint8_t* data);
    bool WaitAcknowledge();
    bool ReceiveBlock();
    // Waits up to ms for input; the number of bytes waiting.
    int PollInput(int ms);
    int ReadWaiting(std::uint8_t* buffer, int& kept, int capacity, int waiting);
    void DropWaiting();
    void Trace(bool sent, const std::uint8_t* bytes, int count);

    std::unique_ptr<TImpl> Impl;
    std::atomic<bool> StopRequested{false};
    std::atomic<bool> AbandonRequested{false};
    std::mutex AbandonLock;
    std::string AbandonReason;
    std::thread Thread;
};
