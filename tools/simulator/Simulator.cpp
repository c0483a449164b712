#include "tools/simulator/Simulator.h"

#include "tools/simulator/BootFrame.h"
#include "tools/simulator/TraceText.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>

namespace {

// A line longer than this without a CR cannot be a frame any more; only its end is kept.
constexpr std::size_t LongestPendingLine = 4096;

} // namespace

TSimulator::TSimulator(TSimulatorOptions options)
    : Options(std::move(options)), Loader([this] {
          TSimulatorOptions o = Options;
          o.Trace = [this](const std::string& text) { TraceLine(text); };
          return o;
      }()) {}

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
    return Loader.ReadMemory(address, count);
}

void TSimulator::WriteMemory(std::uint32_t address, const std::vector<std::uint8_t>& bytes) {
    Loader.WriteMemory(address, bytes);
}

std::uint64_t TSimulator::WriteFrames() const {
    return Loader.WriteFrames();
}
std::uint64_t TSimulator::ReadCommands() const {
    return Loader.ReadCommands();
}
std::uint64_t TSimulator::MalformedFrames() const {
    return Loader.MalformedFrames();
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
    const TClock::time_point frameEnd = std::max(firstByte, ReceiveFreeAt) + WireTime(line.size() + 1);
    ReceiveFreeAt = frameEnd;
    TraceLine("recv " + std::to_string(line.size() + 1) + " \"" + ShortFrameText(line + "\r") + "\"");
    if (const std::optional<std::string> reply = Loader.HandleLine(line))
        Answer(*reply, frameEnd);
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
