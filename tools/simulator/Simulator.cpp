#include "tools/simulator/Simulator.h"

#include "tools/simulator/BootFrame.h"
#include "tools/simulator/TraceText.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>

namespace {

// A line longer than this without a CR cannot be a frame any more; only its end is kept.
constexpr std::size_t LongestPendingLine = 4096;

std::string Hex6(std::uint32_t address) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%06X", address);
    return text;
}

std::string Nth(int n) {
    return "every " + std::to_string(n) + (n == 1 ? "" : "th");
}

bool IsNth(std::uint64_t index, int every) {
    return every > 0 && index % static_cast<std::uint64_t>(every) == 0;
}

} // namespace

TSimulator::TSimulator(TSimulatorOptions options) : Options(std::move(options)), Memory(MemorySize, 0xFF) {}

TSimulator::~TSimulator() {
    Stop();
}

const std::string& TSimulator::DevicePath() const {
    return Device;
}

std::string TSimulator::SaveError() const {
    std::lock_guard<std::mutex> lock(ErrorLock);
    return LastSaveError;
}

std::vector<std::uint8_t> TSimulator::ReadMemory(std::uint32_t address, std::uint32_t count) const {
    if (address < MemoryFirstAddress || address > MemoryEndAddress || count > MemoryEndAddress - address)
        throw std::out_of_range("simulator: memory read outside 0x4000..0x27FFF");
    std::lock_guard<std::mutex> lock(MemoryLock);
    const auto first = Memory.begin() + (address - MemoryFirstAddress);
    return std::vector<std::uint8_t>(first, first + count);
}

void TSimulator::WriteMemory(std::uint32_t address, const std::vector<std::uint8_t>& bytes) {
    if (address < MemoryFirstAddress || address > MemoryEndAddress ||
        bytes.size() > MemoryEndAddress - address)
        throw std::out_of_range("simulator: memory write outside 0x4000..0x27FFF");
    std::lock_guard<std::mutex> lock(MemoryLock);
    std::copy(bytes.begin(), bytes.end(), Memory.begin() + (address - MemoryFirstAddress));
}

std::uint64_t TSimulator::WriteFrames() const {
    return WriteCount;
}
std::uint64_t TSimulator::ReadCommands() const {
    return ReadCount;
}
std::uint64_t TSimulator::MalformedFrames() const {
    return MalformedCount;
}

// Lines end at a CR; an empty line is no frame.
bool TSimulator::TakeBytes(const char* bytes, std::size_t count, TClock::time_point now) {
    for (std::size_t i = 0; i < count; ++i) {
        if (PendingLine.empty())
            PendingSince = now;
        if (bytes[i] != '\r') {
            PendingLine += bytes[i];
            continue;
        }
        if (!PendingLine.empty())
            HandleLine(PendingLine, PendingSince);
        PendingLine.clear();
        if (Stopping)
            return false;
    }
    if (PendingLine.size() > LongestPendingLine) {
        TraceLine("dropped " + std::to_string(PendingLine.size() - WriteFrameTextLength) +
                  " bytes received without a CR");
        PendingLine.erase(0, PendingLine.size() - WriteFrameTextLength);
    }
    return true;
}

TSimulator::TClock::duration TSimulator::WireTime(std::size_t bytes) const {
    if (Options.Baud <= 0)
        return TClock::duration::zero();
    return std::chrono::duration_cast<TClock::duration>(
        std::chrono::duration<double>(bytes * 10.0 / Options.Baud));
}

void TSimulator::HandleLine(const std::string& line, TClock::time_point firstByte) {
    ++FrameCount;
    const TClock::time_point frameEnd = std::max(firstByte, ReceiveFreeAt) + WireTime(line.size() + 1);
    ReceiveFreeAt = frameEnd;
    TBootFrame frame = ParseBootLine(line);
    TraceLine("recv " + std::to_string(line.size() + 1) + " \"" + ShortFrameText(line + "\r") + "\"");
    if (frame.StaleBytes > 0)
        TraceLine("discarded " + std::to_string(frame.StaleBytes) + " stale bytes before the frame");
    const bool silent =
        Options.SilentAfter > 0 && FrameCount > static_cast<std::uint64_t>(Options.SilentAfter);

    // Each frame is counted before it is answered: whoever has the answer can rely on the count.
    if (frame.Kind == TFrameKind::Malformed) {
        ++MalformedCount;
        if (silent) {
            TraceLine("no answer: silent after " + std::to_string(Options.SilentAfter) + " frames");
        } else {
            TraceLine("refused: " + frame.Reason);
            Answer(RefusalReply, frameEnd);
        }
        return;
    }

    const std::string what = (frame.Kind == TFrameKind::Write ? "write " : "read ") + Hex6(frame.Address);
    const std::uint64_t nth = ++(frame.Kind == TFrameKind::Write ? WriteCount : ReadCount);
    if (silent) {
        TraceLine("no answer to " + what + ": silent after " + std::to_string(Options.SilentAfter) +
                  " frames");
    } else if (frame.Kind == TFrameKind::Read) {
        const bool bad = IsNth(nth, Options.BadChecksumEvery);
        const std::vector<std::uint8_t> block = ReadMemory(frame.Address, BlockSize);
        if (bad)
            TraceLine("wrong checksum in the reply to " + what + " (" + Nth(Options.BadChecksumEvery) + ")");
        Answer(EncodeDataReply(block.data(), bad, Options.NoisyReplies), frameEnd);
    } else if (IsNth(nth, Options.SilenceEvery)) {
        TraceLine("no answer to " + what + ", not stored (" + Nth(Options.SilenceEvery) + " write frame)");
    } else if (IsNth(nth, Options.RefuseEvery)) {
        TraceLine("refused " + what + ", not stored (" + Nth(Options.RefuseEvery) + " write frame)");
        Answer(RefusalReply, frameEnd);
    } else {
        std::vector<std::uint8_t> block(frame.Data.begin(), frame.Data.end());
        if (IsNth(++StoredCount, Options.CorruptEvery)) {
            block[CorruptedByteOffset] ^= CorruptionMask;
            TraceLine("stored " + what + " with byte " + std::to_string(CorruptedByteOffset) + " altered (" +
                      Nth(Options.CorruptEvery) + " block)");
        }
        WriteMemory(frame.Address, block);
        Answer(AcknowledgeReply, frameEnd);
    }
}

void TSimulator::Answer(const std::string& reply, TClock::time_point frameEnd) {
    const TClock::time_point start = std::max(frameEnd, SendFreeAt);
    // Nothing reaches the workstation before the adapter's timer runs out; the line itself is free
    // again when the reply's last byte has crossed it.
    const TClock::time_point held = start + std::chrono::milliseconds(Options.LatencyMs);
    if (!Options.SplitReplies || reply.size() < 2) {
        SendFreeAt = start + WireTime(reply.size());
        if (WaitUntil(std::max(SendFreeAt, held)))
            WriteToLine(reply);
        return;
    }
    const std::size_t half = reply.size() / 2;
    TClock::time_point due = std::max(start + WireTime(half), held);
    if (!WaitUntil(due))
        return;
    WriteToLine(reply.substr(0, half));
    due = std::max(TClock::now() + std::chrono::milliseconds(Options.SplitGapMs),
                   start + WireTime(reply.size()));
    SendFreeAt = due;
    if (WaitUntil(due))
        WriteToLine(reply.substr(half));
}

void TSimulator::TraceLine(const std::string& text) const {
    if (Options.Trace)
        Options.Trace(TraceTimeStamp(std::chrono::system_clock::now()) + " " + text);
}
