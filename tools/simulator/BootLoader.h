#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

// How the simulated converter behaves. Every "every N" counts from 1 and 0 switches the fault off.
struct TSimulatorOptions {
    int Baud = 115200;         // pacing: answers no faster than a line of this speed carries the bytes
                               // (frames received and replies sent); 0 = no pacing
    int SilenceEvery = 0;      // no answer to every Nth write frame (the block is not stored)
    int RefuseEvery = 0;       // every Nth write frame answered with the refusal (not stored)
    int BadChecksumEvery = 0;  // every Nth data reply carries a wrong checksum
    int ShortReplyEvery = 0;   // every Nth data reply carries 127 bytes, its checksum right for them
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

// The converter's boot loader without its line: each frame received is answered as the device
// does, from its memory and the fault options. A write frame is answered "00 O.K.\r" when stored;
// every refused frame (malformed, or refused by a fault option) is answered "00 ERR!\r"; a read
// command is answered by the 258-byte data reply. Memory space 0 from 0x4000 to 0x27FFF is kept,
// erased as 0xFF; addresses must lie on 128-byte block boundaries. Options.Trace gets one line per
// refusal or fault, without a time stamp. The line's pacing options are its owner's.
class TBootLoader {
public:
    explicit TBootLoader(TSimulatorOptions options);

    // The reply to one line received before a CR (the CR not included); none when the device stays
    // silent. Frames are counted before this returns.
    std::optional<std::string> HandleLine(const std::string& line);
    // Starts counting frames for the fault options anew.
    void Restart();

    // Copies of device memory; addresses outside 0x4000..0x27FFF raise std::out_of_range.
    std::vector<std::uint8_t> ReadMemory(std::uint32_t address, std::uint32_t count) const;
    void WriteMemory(std::uint32_t address, const std::vector<std::uint8_t>& bytes);

    // Frames received so far: well-formed write frames, well-formed read commands, frames refused as
    // malformed.
    std::uint64_t WriteFrames() const { return WriteCount; }
    std::uint64_t ReadCommands() const { return ReadCount; }
    std::uint64_t MalformedFrames() const { return MalformedCount; }

private:
    void Trace(const std::string& text) const;

    const TSimulatorOptions Options;
    mutable std::mutex MemoryLock;
    std::vector<std::uint8_t> Memory;
    std::atomic<std::uint64_t> WriteCount{0}, ReadCount{0}, MalformedCount{0};
    // The caller of HandleLine only.
    std::uint64_t FrameCount = 0, StoredCount = 0;
};
