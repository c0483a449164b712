#pragma once

#include "tools/simulator/PseudoTerminal.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// How the simulated converter behaves. Every "every N" counts from 1 and 0 switches the fault off.
struct TSimulatorOptions {
    int Baud = 115200;         // pacing: answers no faster than a line of this speed carries the bytes
                               // (frames received and replies sent); 0 = no pacing
    int SilenceEvery = 0;      // no answer to every Nth write frame (the block is not stored)
    int RefuseEvery = 0;       // every Nth write frame answered with the refusal (not stored)
    int BadChecksumEvery = 0;  // every Nth data reply carries a wrong checksum
    bool SplitReplies = false; // each reply sent in two halves, SplitGapMs apart
    bool NoisyReplies = false; // blanks and CR/LF between the data digits of data replies
    int SilentAfter = 0;       // after N frames, nothing is answered or stored any more
    int CorruptEvery = 0;      // every Nth stored block is stored with one byte altered (still "O.K.")
    std::string MemoryFile;    // loaded at Start if it exists (the whole 0x24000-byte image), saved at Stop
    std::string LinkPath;      // a symbolic link to the slave made here at Start, removed at Stop
    std::function<void(const std::string&)> Trace; // one line per frame received / reply sent / refusal
    int SplitGapMs = 5; // gap between the halves of a split reply; under the workstation's 10 ms quiet poll
    int LatencyMs = 0;  // each reply held until this long after its first byte, as a USB adapter's
                        // latency timer holds what it received (16 ms by default on FTDI adapters)
};

// The byte altered in every CorruptEvery-th stored block, and how (exclusive-or).
constexpr std::size_t CorruptedByteOffset = 64;
constexpr std::uint8_t CorruptionMask = 0x01;

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
    TPseudoTerminal Pty;
    TUniqueFd WakeRead, WakeWrite;
    std::thread Server;
    std::atomic<bool> Stopping{false};
    bool Running = false;
    bool LinkMade = false;
    std::string Device;

    mutable std::mutex MemoryLock;
    std::vector<std::uint8_t> Memory;
    mutable std::mutex ErrorLock;
    std::string LastSaveError;

    std::atomic<std::uint64_t> WriteCount{0}, ReadCount{0}, MalformedCount{0};
    // Serving thread only.
    std::uint64_t FrameCount = 0, StoredCount = 0;
    std::string PendingLine; // received since the last CR
    TClock::time_point PendingSince{};
    TClock::time_point ReceiveFreeAt{}, SendFreeAt{};
};
