#pragma once

#include "serial/SerialPort.h"
#include "tools/simulator/BootLoader.h"

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

// A serial line in memory for the worker's and the sequences' tests, with no thread of its own:
// each frame the worker writes (up to its CR) is answered at once by Answer, and the answer's
// pieces become readable at their delays. A wait for input sleeps until the next piece is due or
// its bound passes. The test keeps the line; the worker owns the ports made by Factory.
class TScriptedLine : public std::enable_shared_from_this<TScriptedLine> {
public:
    // One piece of an answer: its bytes, readable this long after the frame was written.
    struct TPiece {
        std::string Bytes;
        int DelayMs = 0;
    };
    using TAnswer = std::function<std::vector<TPiece>(int index, const std::string& frame)>;

    // The ports a worker opens on this line.
    TSerialPortFactory Factory();

    // Called on the worker's thread; set before the worker starts.
    TAnswer Answer;
    // Set before the worker starts: Open raises "Error accessing specified device" with this code.
    int OpenError = 0;

    // The adapter is pulled out: every later write raises "Write error", every read or wait "Read
    // error" (EIO); the discards do nothing.
    void Unplug();
    // While set, a byte comes every millisecond, never pausing.
    void SetChatter(bool on);

    // What the worker did, for the test to look at.
    std::vector<std::string> Frames() const; // every frame written, CR included
    TPortSetup Setup() const;
    bool Dtr() const;
    bool Opened() const;

private:
    class TPort;
    using TClock = std::chrono::steady_clock;
    struct TByte {
        TClock::time_point Due;
        char Value;
    };

    void Open(const TPortSetup& setup);
    int Write(const char* bytes, int count);
    int Read(char* buffer, int count);
    int BytesWaiting();
    bool WaitForInput(int ms);
    void DiscardInput();
    void SetDtr(bool on);
    void ThrowIfUnplugged(const char* text) const;
    // Under Lock: chatter bytes up to now added, the count of bytes due.
    int DueLocked(TClock::time_point now);

    mutable std::mutex Lock;
    std::deque<TByte> Input;
    std::string PendingFrame;
    std::vector<std::string> Written;
    TPortSetup OpenedWith;
    bool IsOpened = false;
    bool DtrOn = false;
    bool Gone = false;
    bool Chatter = false;
    TClock::time_point ChatterFrom;
};

// Answers frames as the converter's boot loader does, with its split and latency options as delays.
TScriptedLine::TAnswer BootLoaderAnswer(TBootLoader& loader, const TSimulatorOptions& options);

// A converter in memory: its boot loader answering a scripted line, and the ports that reach it.
class TLoaderDevice {
public:
    explicit TLoaderDevice(const TSimulatorOptions& options = {});
    TSerialPortFactory Factory() { return Line->Factory(); }
    std::string Memory(std::uint32_t address, std::uint32_t count) const;
    void SetMemory(std::uint32_t address, const std::string& bytes);
    std::uint64_t WriteFrames() const { return Loader.WriteFrames(); }
    std::uint64_t ReadCommands() const { return Loader.ReadCommands(); }
    std::uint64_t MalformedFrames() const { return Loader.MalformedFrames(); }
    static std::string ErasedBytes(std::size_t count) { return std::string(count, '\xff'); }
    // Takes the converter away: the line fails as an unplugged adapter does.
    void Remove() { Line->Unplug(); }

    TBootLoader Loader;
    const std::shared_ptr<TScriptedLine> Line = std::make_shared<TScriptedLine>();
};
