#include "tools/simulator/BootLoader.h"

#include "tools/simulator/BootFrame.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>
#include <utility>

namespace {

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

TBootLoader::TBootLoader(TSimulatorOptions options) : Options(std::move(options)), Memory(MemorySize, 0xFF) {}

void TBootLoader::Restart() {
    FrameCount = StoredCount = 0;
}

std::vector<std::uint8_t> TBootLoader::ReadMemory(std::uint32_t address, std::uint32_t count) const {
    if (address < MemoryFirstAddress || address > MemoryEndAddress || count > MemoryEndAddress - address)
        throw std::out_of_range("simulator: memory read outside 0x4000..0x27FFF");
    std::lock_guard<std::mutex> lock(MemoryLock);
    const auto first = Memory.begin() + (address - MemoryFirstAddress);
    return std::vector<std::uint8_t>(first, first + count);
}

void TBootLoader::WriteMemory(std::uint32_t address, const std::vector<std::uint8_t>& bytes) {
    if (address < MemoryFirstAddress || address > MemoryEndAddress ||
        bytes.size() > MemoryEndAddress - address)
        throw std::out_of_range("simulator: memory write outside 0x4000..0x27FFF");
    std::lock_guard<std::mutex> lock(MemoryLock);
    std::copy(bytes.begin(), bytes.end(), Memory.begin() + (address - MemoryFirstAddress));
}

void TBootLoader::Trace(const std::string& text) const {
    if (Options.Trace)
        Options.Trace(text);
}

std::optional<std::string> TBootLoader::HandleLine(const std::string& line) {
    ++FrameCount;
    TBootFrame frame = ParseBootLine(line);
    if (frame.StaleBytes > 0)
        Trace("discarded " + std::to_string(frame.StaleBytes) + " stale bytes before the frame");
    const bool silent =
        Options.SilentAfter > 0 && FrameCount > static_cast<std::uint64_t>(Options.SilentAfter);

    // Each frame is counted before it is answered: whoever has the answer can rely on the count.
    if (frame.Kind == TFrameKind::Malformed) {
        ++MalformedCount;
        if (silent) {
            Trace("no answer: silent after " + std::to_string(Options.SilentAfter) + " frames");
            return std::nullopt;
        }
        Trace("refused: " + frame.Reason);
        return RefusalReply;
    }

    const std::string what = (frame.Kind == TFrameKind::Write ? "write " : "read ") + Hex6(frame.Address);
    const std::uint64_t nth = ++(frame.Kind == TFrameKind::Write ? WriteCount : ReadCount);
    if (silent) {
        Trace("no answer to " + what + ": silent after " + std::to_string(Options.SilentAfter) + " frames");
        return std::nullopt;
    }
    if (frame.Kind == TFrameKind::Read) {
        const bool bad = IsNth(nth, Options.BadChecksumEvery);
        const bool shortened = IsNth(nth, Options.ShortReplyEvery);
        const std::vector<std::uint8_t> block = ReadMemory(frame.Address, BlockSize);
        if (bad)
            Trace("wrong checksum in the reply to " + what + " (" + Nth(Options.BadChecksumEvery) + ")");
        if (shortened)
            Trace("a byte short in the reply to " + what + " (" + Nth(Options.ShortReplyEvery) + ")");
        return EncodeDataReply(block.data(), bad, Options.NoisyReplies, shortened);
    }
    if (IsNth(nth, Options.SilenceEvery)) {
        Trace("no answer to " + what + ", not stored (" + Nth(Options.SilenceEvery) + " write frame)");
        return std::nullopt;
    }
    if (IsNth(nth, Options.RefuseEvery)) {
        Trace("refused " + what + ", not stored (" + Nth(Options.RefuseEvery) + " write frame)");
        return RefusalReply;
    }
    std::vector<std::uint8_t> block(frame.Data.begin(), frame.Data.end());
    if (IsNth(++StoredCount, Options.CorruptEvery)) {
        block[CorruptedByteOffset] ^= CorruptionMask;
        Trace("stored " + what + " with byte " + std::to_string(CorruptedByteOffset) + " altered (" +
              Nth(Options.CorruptEvery) + " block)");
    }
    WriteMemory(frame.Address, block);
    return AcknowledgeReply;
}
