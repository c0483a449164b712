#include "serial/CommPort.h"

ECommError::ECommError(const std::string& text, int code)
    : std::runtime_error(text + " (Error: " + std::to_string(code) + ") "), Code(code),
      Reason(code > 0 ? CommErrorText(code) : text) {}

int BaudRateSpeed(TBaudrate rate) {
    static const int Speeds[] = {110,   300,   600,   1200,   2400,   4800,   9600,    14400,  19200,
                                 38400, 56000, 57600, 115200, 128000, 256000, 1500000, 3000000};
    return Speeds[rate];
}

void TCustomComm::Open() {
    if (IsOpen())
        throw ECommError("Port already assigned (open)", -1);
    OpenDevice();
    // From here on the device stays held even when a step below raises; Close releases it.
    ApplyTimeouts();
    ApplySettings();
    SetupQueues();
}

void TCustomComm::SetDtr(bool on) {
    LineControl(on ? SETDTR : CLRDTR);
}

void TCustomComm::RefuseWhileOpen() const {
    if (IsOpen())
        throw ECommError("Port already assigned (open)", -1);
}

TLineSettings TCustomComm::LineSettings(std::uint32_t deviceFlags) const {
    TLineSettings s;
    s.Speed = BaudRateSpeed(FBaudRate);
    s.ParityCode = static_cast<int>(FParity);
    s.StopbitsCode = static_cast<int>(FStopbits);
    s.ByteSize = 4 + static_cast<int>(FDatabits);
    s.Chars = FEventChars;
    s.XonLim = FReadBufSize / 4;
    s.XoffLim = FReadBufSize / 4;

    std::uint32_t flags = deviceFlags;
    switch (FFlowControl) {
    case fcNone:
        flags = DcbBinary;
        break;
    case fcCTS:
        flags |= DcbOutxCtsFlow | DcbRtsControlHandshake;
        break;
    case fcDTR:
        flags |= DcbOutxDsrFlow | DcbDtrControlHandshake;
        break;
    case fcSoftware:
        flags |= DcbOutX | DcbInX;
        break;
    case fcDefault:
        break;
    }
    const struct {
        TCommOption Option;
        std::uint32_t Flag;
    } optionFlags[] = {{coParityCheck, DcbParityCheck},
                       {coDsrSensitivity, DcbDsrSensitivity},
                       {coIgnoreXOff, DcbTxContinueOnXoff},
                       {coErrorChar, DcbErrorChar},
                       {coNullStrip, DcbNull}};
    for (const auto& o : optionFlags) {
        if (FOptions & o.Option)
            flags |= o.Flag;
        else
            flags &= ~o.Flag;
    }
    s.Flags = flags;
    return s;
}

void TComm::Open(const TPortSetup& setup) {
    SetBaudRate(setup.BaudRate);
    SetDatabits(setup.Databits);
    SetDeviceName(setup.DeviceName);
    SetFlowControl(setup.FlowControl);
    SetParity(setup.Parity);
    SetStopbits(setup.Stopbits);
    TCustomComm::Open();
}

void TComm::SetDeviceName(const std::string& name) {
    if (name == FDeviceName)
        return;
    RefuseWhileOpen();
    FDeviceName = name;
}

void TComm::SetReadTimeout(int ms) {
    FReadTimeout = ms;
}

void TComm::SetWriteTimeout(int ms) {
    FWriteTimeout = ms;
}

void TComm::SetReadBufSize(int bytes) {
    if (bytes == FReadBufSize)
        return;
    RefuseWhileOpen();
    FReadBufSize = bytes;
}

void TComm::SetWriteBufSize(int bytes) {
    if (bytes == FWriteBufSize)
        return;
    RefuseWhileOpen();
    FWriteBufSize = bytes;
}

void TComm::SetMonitorEvents(TCommEvents events) {
    if (events == FMonitorEvents)
        return;
    RefuseWhileOpen();
    FMonitorEvents = events;
}

// The line-setting properties are stored first and then applied; ApplySettings does nothing while
// the port is closed, so that Open applies them.

void TComm::SetBaudRate(TBaudrate rate) {
    if (rate == FBaudRate)
        return;
    FBaudRate = rate;
    ApplySettings();
}

void TComm::SetParity(TParity parity) {
    if (parity == FParity)
        return;
    FParity = parity;
    ApplySettings();
}

void TComm::SetStopbits(TStopbits bits) {
    if (bits == FStopbits)
        return;
    FStopbits = bits;
    ApplySettings();
}

void TComm::SetDatabits(TDatabits bits) {
    if (bits == FDatabits)
        return;
    FDatabits = bits;
    ApplySettings();
}

void TComm::SetEventChars(const TCommEventChars& chars) {
    if (chars == FEventChars)
        return;
    FEventChars = chars;
    ApplySettings();
}

void TComm::SetOptions(TCommOptions options) {
    if (options == FOptions)
        return;
    FOptions = options;
    ApplySettings();
}

void TComm::SetFlowControl(TFlowControl flow) {
    if (flow == FFlowControl)
        return;
    FFlowControl = flow;
    ApplySettings();
}
