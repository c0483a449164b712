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

// How long a reply may wait for room on the line before it is dropped (nobody reads the slave).
constexpr int ReplyRoomTimeoutMs = 2000;

std::string SystemError() {
    return std::strerror(errno);
}

} // namespace

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
    Loader.Restart();
    PendingLine.clear();
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
    Loader.WriteMemory(MemoryFirstAddress, image);
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
            const std::vector<std::uint8_t> memory = Loader.ReadMemory(MemoryFirstAddress, MemorySize);
            std::size_t done = 0;
            while (done < memory.size() && error.empty()) {
                const ssize_t n = ::write(file.Get(), memory.data() + done, memory.size() - done);
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
            if (!TakeBytes(buffer, n > 0 ? static_cast<std::size_t>(n) : 0, TClock::now()))
                return;
        } else if (fds[2].revents & (POLLHUP | POLLERR)) {
            // Not expected while our own slave descriptor is open; do not spin if it happens.
            ::poll(fds, 1, 10);
        }
    }
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
