#pragma once

#include "tools/simulator/BootLoader.h"
#include "tools/simulator/PseudoTerminal.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// A converter's boot loader on a pseudo-terminal, served on a thread of its own. A write frame is
// answered "00 O.K.\r" when stored; every refused frame (malformed, or refused by a fault option) is
// answered "00 ERR!\r"; a read command is answered by the 258-byte data reply. Memory space 0 from
// 0x4000 to 0x27FFF is kept, erased as 0xFF; addresses must lie on 128-byte block boundaries.
class TSimulator {
public:
    explicit TSimulator(TSimulatorOptions options);
    ~TSimulator();
    TSimulator(const TSimulator&) = delete;
    TSimulator& operator=(const TSimulator&) = delete;

    // Loads the memory file, opens the pseudo-terminal, makes the link and starts serving; throws
    // std::runtime_error saying what failed.
    void Start();
    // Ends the thread, saves the memory file, removes the link; idempotent, never throws.
    void Stop();
    const std::string& DevicePath() const;
    // Empty, or why the memory file could not be saved at the last Stop.
    std::string SaveError() const;

    // Copies of device memory; addresses outside 0x4000..0x27FFF raise std::out_of_range.
    std::vector<std::uint8_t> ReadMemory(std::uint32_t address, std::uint32_t count) const;
    void WriteMemory(std::uint32_t address, const std::vector<std::uint8_t>& bytes);

    // Frames received so far, each counted before it is answered (or left unanswered):
    // well-formed write frames, well-formed read commands, frames refused as malformed.
    std::uint64_t WriteFrames() const;
    std::uint64_t ReadCommands() const;
    std::uint64_t MalformedFrames() const;

private:
    using TClock = std::chrono::steady_clock;

    void LoadMemory();
    void SaveMemory();
    void MakeLink();
    void RemoveLink();
    void Serve();
    // Bytes read from the line at now: each complete line handled as a frame. False when Stop asked
    // the thread to end meanwhile.
    bool TakeBytes(const char* bytes, std::size_t count, TClock::time_point now);
    void HandleLine(const std::string& line, TClock::time_point firstByte);
    void Answer(const std::string& reply, TClock::time_point frameEnd);
    bool WaitUntil(TClock::time_point when);
    void WriteToLine(const std::string& bytes);
    TClock::duration WireTime(std::size_t bytes) const;
    void TraceLine(const std::string& text) const;

    const TSimulatorOptions Options;
    TBootLoader Loader;
    TPseudoTerminal Pty;
    TUniqueFd WakeRead, WakeWrite;
    std::thread Server;
    std::atomic<bool> Stopping{false};
    bool Running = false;
    bool LinkMade = false;
    std::string Device;

    mutable std::mutex ErrorLock;
    std::string LastSaveError;

    // Serving thread only.
    std::string PendingLine; // received since the last CR
    TClock::time_point PendingSince{};
    TClock::time_point ReceiveFreeAt{}, SendFreeAt{};
};
