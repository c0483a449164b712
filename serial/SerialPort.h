#pragma once

#include "serial/CommTypes.h"

#include <functional>
#include <memory>
#include <string>

// The line a port is opened with: its device path and settings.
struct TPortSetup {
    std::string DeviceName;
    TBaudrate BaudRate = br9600;
    TDatabits Databits = da8;
    TParity Parity = paNone;
    TStopbits Stopbits = sb10;
    TFlowControl FlowControl = fcDefault;
};

// What the boot-link worker needs of a serial port: TComm on a real device, a scripted port in
// tests. Every failure raises ECommError.
class TSerialPort {
public:
    virtual ~TSerialPort() = default;

    // Opens setup.DeviceName with the line settings.
    virtual void Open(const TPortSetup& setup) = 0;
    virtual bool IsOpen() const = 0;
    // Bytes written or read, or -1 when the transfer did not complete within its time-out; a Read
    // returns at once with what has arrived (possibly 0).
    virtual int Write(const void* bytes, int count) = 0;
    virtual int Read(void* buffer, int count) = 0;
    // Received bytes waiting; -1 when closed.
    virtual int BytesWaiting() = 0;
    // Waits at most ms milliseconds for received bytes; true when bytes are waiting.
    virtual bool WaitForInput(int ms) = 0;
    virtual void DiscardInput() = 0;
    virtual void DiscardOutput() = 0;
    virtual void SetDtr(bool on) = 0;
};

// Makes the port a worker opens; an empty factory stands for a TComm.
using TSerialPortFactory = std::function<std::unique_ptr<TSerialPort>()>;
