#include "tools/simulator/Simulator.h"

#include "tools/simulator/BootFrame.h"
#include "tools/simulator/TraceText.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A line longer than this without a CR cannot be a frame any more; only its end is kept.
constexpr std::size_t LongestPendingLine = 4096;
// How long a reply may wait for room on the line before it is dropped (nobody reads the slave).
constexpr int ReplyRoomTimeoutMs = 2000;

std::string SystemError() {
    return std::strerror(errno);
}

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

void TSimulator::Start() {
    if (Running)
        throw std::runtime_error("simulator: already running on " + Device);
    LoadMemory();
    int wake[2];
    if (::pipe2(wake, O_CLOEXEC | O_NONBLOCK) != 0)
        throw std::runtime_error("simulator: cannot create its wake-up pipe: " + SystemError());
    WakeRead.Reset(wake[0]);
    WakeWrite.Reset(wake[1]);
    Pty.Open();
    Device = Pty.SlavePath();
    try {
        MakeLink();
    } catch (...) {
        Pty.Close();
        throw;
    }
    {
        std::lock_guard<std::mutex> lock(ErrorLock);
        LastSaveError.clear();
    }
    Stopping = false;
    FrameCount = StoredCount = 0;
    ReceiveFreeAt = SendFreeAt = TClock::time_point{};
    Server = std::thread(&TSimulator::Serve, this);
    Running = true;
}

void TSimulator::Stop() {
    if (!Running)
        return;
    Running = false;
    Stopping = true;
    const char byte = 1;
    (void)!::write(WakeWrite.Get(), &byte, 1);
    if (Server.joinable())
        Server.join();
    Pty.Close();
    WakeRead.Reset();
    WakeWrite.Reset();
    SaveMemory();
    RemoveLink();
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

// A memory file of another size is refused rather than overwritten at Stop: it is not ours.
void TSimulator::LoadMemory() {
    if (Options.MemoryFile.empty())
        return;
    TUniqueFd file(::open(Options.MemoryFile.c_str(), O_RDONLY | O_CLOEXEC));
    if (!file.Valid()) {
        if (errno == ENOENT)
            return;
        throw std::runtime_error("simulator: cannot open memory file " + Options.MemoryFile + ": " +
                                 SystemError());
    }
    struct stat info {};
    if (::fstat(file.Get(), &info) != 0 || !S_ISREG(info.st_mode) ||
        info.st_size != static_cast<off_t>(MemorySize))
        throw std::runtime_error("simulator: memory file " + Options.MemoryFile + " is not an image of " +
                                 std::to_string(MemorySize) + " bytes (addresses 0x4000..0x27FFF)");
    std::vector<std::uint8_t> image(MemorySize);
    std::size_t done = 0;
    while (done < image.size()) {
        const ssize_t n = ::read(file.Get(), image.data() + done, image.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            throw std::runtime_error("simulator: cannot read memory file " + Options.MemoryFile + ": " +
                                     (n < 0 ? SystemError() : std::string("file shrank while read")));
        done += static_cast<std::size_t>(n);
    }
    std::lock_guard<std::mutex> lock(MemoryLock);
    Memory = std::move(image);
}

// Written beside the file and renamed over it, so that a failed save leaves the old image intact.
void TSimulator::SaveMemory() {
    if (Options.MemoryFile.empty())
        return;
    const std::string temporary = Options.MemoryFile + ".saving";
    std::string error;
    {
        TUniqueFd file(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
        if (!file.Valid()) {
            error = "cannot create " + temporary + ": " + SystemError();
        } else {
            std::lock_guard<std::mutex> lock(MemoryLock);
            std::size_t done = 0;
            while (done < Memory.size() && error.empty()) {
                const ssize_t n = ::write(file.Get(), Memory.data() + done, Memory.size() - done);
                if (n < 0 && errno == EINTR)
                    continue;
                if (n <= 0)
                    error = "cannot write " + temporary + ": " + SystemError();
                else
                    done += static_cast<std::size_t>(n);
            }
            if (error.empty() && ::fsync(file.Get()) != 0)
                error = "cannot write " + temporary + ": " + SystemError();
        }
    }
    if (error.empty() && ::rename(temporary.c_str(), Options.MemoryFile.c_str()) != 0)
        error = "cannot replace " + Options.MemoryFile + ": " + SystemError();
    if (!error.empty()) {
        ::unlink(temporary.c_str());
        TraceLine("memory not saved: " + error);
    }
    std::lock_guard<std::mutex> lock(ErrorLock);
    LastSaveError = error.empty() ? std::string() : "simulator: memory not saved: " + error;
}

// An older link (a previous run's, say) is replaced; any other file at the path is left alone.
void TSimulator::MakeLink() {
    LinkMade = false;
    if (Options.LinkPath.empty())
        return;
    struct stat info {};
    if (::lstat(Options.LinkPath.c_str(), &info) == 0) {
        if (!S_ISLNK(info.st_mode))
            throw std::runtime_error("simulator: " + Options.LinkPath +
                                     " exists and is not a symbolic link; not replaced");
        if (::unlink(Options.LinkPath.c_str()) != 0)
            throw std::runtime_error("simulator: cannot remove the old link " + Options.LinkPath + ": " +
                                     SystemError());
    }
    if (::symlink(Device.c_str(), Options.LinkPath.c_str()) != 0)
        throw std::runtime_error("simulator: cannot make the link " + Options.LinkPath + " -> " + Device +
                                 ": " + SystemError());
    LinkMade = true;
}

// Only a link that still points at this simulator's device is removed.
void TSimulator::RemoveLink() {
    if (!LinkMade)
        return;
    LinkMade = false;
    char target[256];
    const ssize_t n = ::readlink(Options.LinkPath.c_str(), target, sizeof target - 1);
    if (n > 0 && std::string(target, static_cast<std::size_t>(n)) == Device)
        ::unlink(Options.LinkPath.c_str());
}

void TSimulator::Serve() {
    std::string line;
    TClock::time_point firstByte{};
    char buffer[1024];
    while (!Stopping) {
        pollfd fds[3] = {
            {WakeRead.Get(), POLLIN, 0}, {Pty.WatchFd(), POLLIN, 0}, {Pty.MasterFd(), POLLIN, 0}};
        if (::poll(fds, 3, -1) < 0) {
            if (errno == EINTR)
                continue;
            TraceLine("poll failed: " + SystemError());
            return;
        }
        if (fds[0].revents != 0)
            break;
        // Closes first: a client that closed before the next one wrote must not undo its settings.
        if (fds[1].revents & POLLIN)
            Pty.AfterClientClosed();
        if (fds[2].revents & POLLIN) {
            const ssize_t n = ::read(Pty.MasterFd(), buffer, sizeof buffer);
            const auto now = TClock::now();
            for (ssize_t i = 0; i < n; ++i) {
                if (line.empty())
                    firstByte = now;
                if (buffer[i] != '\r') {
                    line += buffer[i];
                    continue;
                }
                if (!line.empty())
                    HandleLine(line, firstByte);
                line.clear();
                if (Stopping)
                    return;
            }
            if (line.size() > LongestPendingLine) {
                TraceLine("dropped " + std::to_string(line.size() - WriteFrameTextLength) +
                          " bytes received without a CR");
                line.erase(0, line.size() - WriteFrameTextLength);
            }
        } else if (fds[2].revents & (POLLHUP | POLLERR)) {
            // Not expected while our own slave descriptor is open; do not spin if it happens.
            ::poll(fds, 1, 10);
        }
    }
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

// False when Stop asked the thread to end meanwhile.
bool TSimulator::WaitUntil(TClock::time_point when) {
    for (;;) {
        if (Stopping)
            return false;
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(when - TClock::now()).count();
        if (left <= 0)
            return true;
        pollfd wake{WakeRead.Get(), POLLIN, 0};
        if (::poll(&wake, 1, static_cast<int>(left)) > 0)
            return false;
    }
}

void TSimulator::WriteToLine(const std::string& bytes) {
    TraceLine("send " + std::to_string(bytes.size()) + " \"" + ShortFrameText(bytes) + "\"");
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(Pty.MasterFd(), bytes.data() + done, bytes.size() - done);
        const int error = n < 0 ? errno : 0;
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (error == EINTR)
            continue;
        if (error == EAGAIN) {
            pollfd fds[2] = {{Pty.MasterFd(), POLLOUT, 0}, {WakeRead.Get(), POLLIN, 0}};
            if (::poll(fds, 2, ReplyRoomTimeoutMs) > 0 && fds[1].revents == 0)
                continue;
        }
        TraceLine("dropped " + std::to_string(bytes.size() - done) + " bytes of the reply: " +
                  (error != 0 && error != EAGAIN ? std::strerror(error) : "the line is not read"));
        return;
    }
}

void TSimulator::TraceLine(const std::string& text) const {
    if (Options.Trace)
        Options.Trace(TraceTimeStamp(std::chrono::system_clock::now()) + " " + text);
}
