#pragma once

#include "serial/SerialPort.h"

#include <cstdint>
#include <memory>
#include <string>

// Serial port component shared by both programs (module CommPort). Every failure raises ECommError
// with the situation's text followed by " (Error: %d) " and the code.
// No line-event watcher runs: neither program attaches a handler, so MonitorEvents is only kept.

enum TCommOption : std::uint8_t {
    coParityCheck = 1 << 0,
    coDsrSensitivity = 1 << 1,
    coIgnoreXOff = 1 << 2,
    coErrorChar = 1 << 3,
    coNullStrip = 1 << 4,
};
using TCommOptions = std::uint8_t; // a set of TCommOption bits

// Line events and their event-mask bits.
enum TCommEventType : std::uint16_t {
    evRxChar = 0x01,
    evRxFlag = 0x02,
    evTxEmpty = 0x04,
    evCts = 0x08,
    evDsr = 0x10,
    evRlsd = 0x20,
    evBreak = 0x40,
    evError = 0x80,
    evRing = 0x100
};
using TCommEvents = std::uint16_t; // a set of TCommEventType bits
constexpr TCommEvents AllCommEvents = 0x1FF;

struct TCommEventChars {
    char XonChar = 17;
    char XoffChar = 19;
    char ErrorChar = 0;
    char EofChar = 0;
    char EvtChar = 0;
    bool operator==(const TCommEventChars& o) const {
        return XonChar == o.XonChar && XoffChar == o.XoffChar && ErrorChar == o.ErrorChar &&
               EofChar == o.EofChar && EvtChar == o.EvtChar;
    }
    bool operator!=(const TCommEventChars& o) const { return !(*this == o); }
};

// Line function codes for LineControl.
constexpr int SETXOFF = 1;
constexpr int SETXON = 2;
constexpr int SETRTS = 3;
constexpr int CLRRTS = 4;
constexpr int SETDTR = 5;
constexpr int CLRDTR = 6;
constexpr int SETBREAK = 8;
constexpr int CLRBREAK = 9;

// Bits of the flag word of the line settings.
constexpr std::uint32_t DcbBinary = 0x0001;
constexpr std::uint32_t DcbParityCheck = 0x0002;
constexpr std::uint32_t DcbOutxCtsFlow = 0x0004;
constexpr std::uint32_t DcbOutxDsrFlow = 0x0008;
constexpr std::uint32_t DcbDtrControlEnable = 0x0010;
constexpr std::uint32_t DcbDtrControlHandshake = 0x0020;
constexpr std::uint32_t DcbDtrControlMask = 0x0030;
constexpr std::uint32_t DcbDsrSensitivity = 0x0040;
constexpr std::uint32_t DcbTxContinueOnXoff = 0x0080;
constexpr std::uint32_t DcbOutX = 0x0100;
constexpr std::uint32_t DcbInX = 0x0200;
constexpr std::uint32_t DcbErrorChar = 0x0400;
constexpr std::uint32_t DcbNull = 0x0800;
constexpr std::uint32_t DcbRtsControlEnable = 0x1000;
constexpr std::uint32_t DcbRtsControlHandshake = 0x2000;
constexpr std::uint32_t DcbRtsControlMask = 0x3000;
constexpr std::uint32_t DcbAbortOnError = 0x4000;

// The line settings as the component composes them from its properties, before a backend maps
// them onto its device.
struct TLineSettings {
    int Speed = 0;        // bit/s
    int ParityCode = 0;   // 0 none, 1 odd, 2 even, 3 mark, 4 space
    int StopbitsCode = 0; // 0 one, 1 one and a half, 2 two
    int ByteSize = 8;     // data bits, 4 to 8
    TCommEventChars Chars;
    int XonLim = 0; // bytes
    int XoffLim = 0;
    std::uint32_t Flags = 0; // Dcb* bits
};

// Speed in bit/s of a TBaudrate value.
int BaudRateSpeed(TBaudrate rate);

class TCustomComm {
public:
    TCustomComm();
    virtual ~TCustomComm(); // closes the port
    TCustomComm(const TCustomComm&) = delete;
    TCustomComm& operator=(const TCustomComm&) = delete;

    void Open();
    void Close();
    bool IsOpen() const;
    void ApplySettings();
    void ApplyTimeouts();
    // Bytes written or read, or -1 when the transfer did not complete within its time-out. A Read
    // returns at once with what has arrived (possibly 0); a hung-up device raises "Read error" (EIO).
    // A Write that times out discards what it left queued.
    int Write(const void* bytes, int count);
    int Read(void* buffer, int count);
    int BytesWaiting(); // -1 when closed; a device that fails to answer raises "Read error"
    void DiscardInput();
    void DiscardOutput();
    void SetDtr(bool on);
    void LineControl(int code);
    // Waits at most ms milliseconds for received bytes; true when bytes are waiting. A device that
    // reports a hang-up or an error raises "Read error"; a closed port raises "Port not open, unable
    // to complete operation".
    // Every operation holds the port while it runs, so one thread may Close while another waits.
    bool WaitForInput(int ms);

    // The settings ApplySettings sends, starting from the flag word the device reports.
    TLineSettings LineSettings(std::uint32_t deviceFlags) const;

protected:
    virtual void OpenDevice();
    void SetupQueues(); // requests ReadBufSize and WriteBufSize from the driver
    void RefuseWhileOpen() const;

    // The open device and its lock, as the platform's backend (CommPortPosix.cpp) keeps them.
    struct TDevice;
    const std::unique_ptr<TDevice> Port;
    std::string FDeviceName = "Com2";
    int FReadTimeout = 1000;
    int FWriteTimeout = 1000;
    int FReadBufSize = 4096;
    int FWriteBufSize = 2048;
    TCommEvents FMonitorEvents = AllCommEvents;
    TBaudrate FBaudRate = br9600;
    TParity FParity = paNone;
    TStopbits FStopbits = sb10;
    TDatabits FDatabits = da8;
    TCommEventChars FEventChars;
    TCommOptions FOptions = 0;
    TFlowControl FFlowControl = fcDefault;
};

class TComm : public TCustomComm, public TSerialPort {
public:
    using TCustomComm::Open;
    // Sets BaudRate, Databits, DeviceName, FlowControl, Parity and Stopbits in this order, then Open.
    void Open(const TPortSetup& setup) override;
    bool IsOpen() const override { return TCustomComm::IsOpen(); }
    int Write(const void* bytes, int count) override { return TCustomComm::Write(bytes, count); }
    int Read(void* buffer, int count) override { return TCustomComm::Read(buffer, count); }
    int BytesWaiting() override { return TCustomComm::BytesWaiting(); }
    bool WaitForInput(int ms) override { return TCustomComm::WaitForInput(ms); }
    void DiscardInput() override { TCustomComm::DiscardInput(); }
    void DiscardOutput() override { TCustomComm::DiscardOutput(); }
    void SetDtr(bool on) override { TCustomComm::SetDtr(on); }

    const std::string& DeviceName() const { return FDeviceName; }
    void SetDeviceName(const std::string& name);
    int ReadTimeout() const { return FReadTimeout; }
    void SetReadTimeout(int ms);
    int WriteTimeout() const { return FWriteTimeout; }
    void SetWriteTimeout(int ms);
    int ReadBufSize() const { return FReadBufSize; }
    void SetReadBufSize(int bytes);
    int WriteBufSize() const { return FWriteBufSize; }
    void SetWriteBufSize(int bytes);
    TCommEvents MonitorEvents() const { return FMonitorEvents; }
    void SetMonitorEvents(TCommEvents events);
    TBaudrate BaudRate() const { return FBaudRate; }
    void SetBaudRate(TBaudrate rate);
    TParity Parity() const { return FParity; }
    void SetParity(TParity parity);
    TStopbits Stopbits() const { return FStopbits; }
    void SetStopbits(TStopbits bits);
    TDatabits Databits() const { return FDatabits; }
    void SetDatabits(TDatabits bits);
    const TCommEventChars& EventChars() const { return FEventChars; }
    void SetEventChars(const TCommEventChars& chars);
    TCommOptions Options() const { return FOptions; }
    void SetOptions(TCommOptions options);
    TFlowControl FlowControl() const { return FFlowControl; }
    void SetFlowControl(TFlowControl flow);
};
