#include "tests/support/ScriptedPort.h"

#include <algorithm>
#include <cstring>
#include <thread>

namespace {

constexpr int LostDeviceError = 5; // EIO: what a port reports once its adapter is gone

} // namespace

class TScriptedLine::TPort : public TSerialPort {
public:
    explicit TPort(std::shared_ptr<TScriptedLine> line) : Line(std::move(line)) {}
    void Open(const TPortSetup& setup) override { Line->Open(setup); }
    bool IsOpen() const override {
        std::lock_guard<std::mutex> lock(Line->Lock);
        return Line->IsOpened;
    }
    int Write(const void* bytes, int count) override {
        return Line->Write(static_cast<const char*>(bytes), count);
    }
    int Read(void* buffer, int count) override { return Line->Read(static_cast<char*>(buffer), count); }
    int BytesWaiting() override { return Line->BytesWaiting(); }
    bool WaitForInput(int ms) override { return Line->WaitForInput(ms); }
    void DiscardInput() override { Line->DiscardInput(); }
    void DiscardOutput() override {}
    void SetDtr(bool on) override { Line->SetDtr(on); }

private:
    const std::shared_ptr<TScriptedLine> Line;
};

TSerialPortFactory TScriptedLine::Factory() {
    std::shared_ptr<TScriptedLine> self = shared_from_this();
    return [self]() -> std::unique_ptr<TSerialPort> { return std::make_unique<TPort>(self); };
}

void TScriptedLine::Unplug() {
    std::lock_guard<std::mutex> lock(Lock);
    Gone = true;
}

void TScriptedLine::SetChatter(bool on) {
    std::lock_guard<std::mutex> lock(Lock);
    Chatter = on;
    ChatterFrom = TClock::now();
}

std::vector<std::string> TScriptedLine::Frames() const {
    std::lock_guard<std::mutex> lock(Lock);
    return Written;
}

TPortSetup TScriptedLine::Setup() const {
    std::lock_guard<std::mutex> lock(Lock);
    return OpenedWith;
}

bool TScriptedLine::Dtr() const {
    std::lock_guard<std::mutex> lock(Lock);
    return DtrOn;
}

bool TScriptedLine::Opened() const {
    std::lock_guard<std::mutex> lock(Lock);
    return IsOpened;
}

void TScriptedLine::ThrowIfUnplugged(const char* text) const {
    std::lock_guard<std::mutex> lock(Lock);
    if (Gone)
        throw ECommError(text, LostDeviceError);
}

void TScriptedLine::Open(const TPortSetup& setup) {
    std::lock_guard<std::mutex> lock(Lock);
    if (IsOpened)
        throw ECommError("Port already assigned (open)", -1);
    if (OpenError != 0)
        throw ECommError("Error accessing specified device", OpenError);
    OpenedWith = setup;
    IsOpened = true;
}

void TScriptedLine::SetDtr(bool on) {
    std::lock_guard<std::mutex> lock(Lock);
    if (!IsOpened)
        throw ECommError(PortNotOpenText, -1);
    DtrOn = on;
}

int TScriptedLine::Write(const char* bytes, int count) {
    ThrowIfUnplugged("Write error");
    std::vector<std::string> frames;
    {
        std::lock_guard<std::mutex> lock(Lock);
        PendingFrame.append(bytes, static_cast<std::size_t>(count));
        std::size_t end;
        while ((end = PendingFrame.find('\r')) != std::string::npos) {
            frames.push_back(PendingFrame.substr(0, end + 1));
            PendingFrame.erase(0, end + 1);
        }
    }
    for (const std::string& frame : frames) {
        int index;
        {
            std::lock_guard<std::mutex> lock(Lock);
            index = static_cast<int>(Written.size());
            Written.push_back(frame);
        }
        const std::vector<TPiece> answer = Answer ? Answer(index, frame) : std::vector<TPiece>{};
        const TClock::time_point now = TClock::now();
        std::lock_guard<std::mutex> lock(Lock);
        // The peer has moved on to the new frame: what it had not yet sent of an older answer stays
        // unsent.
        Input.erase(std::remove_if(Input.begin(), Input.end(), [now](const TByte& b) { return b.Due > now; }),
                    Input.end());
        for (const TPiece& piece : answer)
            for (const char c : piece.Bytes)
                Input.push_back({now + std::chrono::milliseconds(piece.DelayMs), c});
    }
    return count;
}

int TScriptedLine::DueLocked(TClock::time_point now) {
    if (Chatter) {
        for (; ChatterFrom + std::chrono::milliseconds(1) <= now; ChatterFrom += std::chrono::milliseconds(1))
            Input.push_back({ChatterFrom, '~'});
    }
    return static_cast<int>(
        std::count_if(Input.begin(), Input.end(), [now](const TByte& b) { return b.Due <= now; }));
}

int TScriptedLine::Read(char* buffer, int count) {
    ThrowIfUnplugged("Read error");
    std::lock_guard<std::mutex> lock(Lock);
    const TClock::time_point now = TClock::now();
    DueLocked(now);
    int n = 0;
    // Pieces are queued in the order they come due.
    while (n < count && !Input.empty() && Input.front().Due <= now) {
        buffer[n++] = Input.front().Value;
        Input.pop_front();
    }
    return n;
}

int TScriptedLine::BytesWaiting() {
    ThrowIfUnplugged("Read error");
    std::lock_guard<std::mutex> lock(Lock);
    if (!IsOpened)
        return -1;
    return DueLocked(TClock::now());
}

bool TScriptedLine::WaitForInput(int ms) {
    const TClock::time_point bound = TClock::now() + std::chrono::milliseconds(std::max(ms, 0));
    for (;;) {
        ThrowIfUnplugged("Read error");
        TClock::time_point until = bound;
        {
            std::lock_guard<std::mutex> lock(Lock);
            if (!IsOpened)
                throw ECommError(PortNotOpenText, -1);
            const TClock::time_point now = TClock::now();
            if (DueLocked(now) > 0)
                return true;
            if (now >= bound)
                return false;
            for (const TByte& b : Input)
                until = std::min(until, b.Due);
            if (Chatter)
                until = std::min(until, ChatterFrom + std::chrono::milliseconds(1));
        }
        std::this_thread::sleep_until(until);
    }
}

void TScriptedLine::DiscardInput() {
    std::lock_guard<std::mutex> lock(Lock);
    const TClock::time_point now = TClock::now();
    DueLocked(now);
    Input.erase(std::remove_if(Input.begin(), Input.end(), [now](const TByte& b) { return b.Due <= now; }),
                Input.end());
}

TScriptedLine::TAnswer BootLoaderAnswer(TBootLoader& loader, const TSimulatorOptions& options) {
    return [&loader, options](int, const std::string& frame) {
        std::vector<TScriptedLine::TPiece> pieces;
        const auto reply = loader.HandleLine(frame.substr(0, frame.size() - 1));
        if (!reply)
            return pieces;
        if (!options.SplitReplies || reply->size() < 2) {
            pieces.push_back({*reply, options.LatencyMs});
            return pieces;
        }
        const std::size_t half = reply->size() / 2;
        pieces.push_back({reply->substr(0, half), options.LatencyMs});
        pieces.push_back({reply->substr(half), options.LatencyMs + options.SplitGapMs});
        return pieces;
    };
}

TLoaderDevice::TLoaderDevice(const TSimulatorOptions& options) : Loader(options) {
    Line->Answer = BootLoaderAnswer(Loader, options);
}

std::string TLoaderDevice::Memory(std::uint32_t address, std::uint32_t count) const {
    const std::vector<std::uint8_t> bytes = Loader.ReadMemory(address, count);
    return std::string(bytes.begin(), bytes.end());
}

void TLoaderDevice::SetMemory(std::uint32_t address, const std::string& bytes) {
    Loader.WriteMemory(address, std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
}
