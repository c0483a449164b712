// Benchmark of the boot-link worker against the converter simulator at the real line speed; not
// part of the test run. Run: build/<preset>/tests/WorkerBench [--baud N] [--blocks N]
// It starts `ze50321 simulate --baud N` from the program folder, measures the CPU time of an idle
// worker over 5 s, then writes and reads back blocks of the configuration region and prints the
// time per block beside the time the frames take on the wire.
#include "tests/support/TempDir.h"
#include "updater/Tarm_SER.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include <csignal>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

using TClock = std::chrono::steady_clock;

double Seconds(TClock::duration d) {
    return std::chrono::duration<double>(d).count();
}

double ProcessCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// ze50321 from ZE_PROGRAM_DIR, else from the build's program folder beside this one.
std::string ToolPath() {
    if (std::getenv("ZE_PROGRAM_DIR"))
        return ProgramDir() + "/ze50321";
    char self[4096] = {};
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    std::string dir = n > 0 ? std::string(self, static_cast<size_t>(n)) : std::string("./WorkerBench");
    dir.erase(dir.find_last_of('/') == std::string::npos ? 0 : dir.find_last_of('/'));
    return dir + "/../bin/ze50321";
}

// The simulator as a child process; its first line of output is the device path.
class TSimulatorProcess {
public:
    explicit TSimulatorProcess(int baud) {
        int fds[2];
        if (pipe(fds) != 0)
            throw std::runtime_error(std::string("pipe: ") + std::strerror(errno));
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, fds[0]);
        const std::string program = ToolPath();
        const std::string baudText = std::to_string(baud);
        std::vector<char*> argv = {const_cast<char*>(program.c_str()), const_cast<char*>("simulate"),
                                   const_cast<char*>("--baud"), const_cast<char*>(baudText.c_str()), nullptr};
        const int rc = posix_spawn(&Pid, program.c_str(), &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        close(fds[1]);
        if (rc != 0) {
            close(fds[0]);
            throw std::runtime_error("cannot start " + program + ": " + std::strerror(rc));
        }
        Output = fdopen(fds[0], "r");
        char line[512] = {};
        if (!Output || !std::fgets(line, sizeof line, Output))
            throw std::runtime_error("the simulator printed no device path");
        Device = line;
        while (!Device.empty() && (Device.back() == '\n' || Device.back() == '\r'))
            Device.pop_back();
    }
    ~TSimulatorProcess() {
        kill(Pid, SIGTERM);
        int status = 0;
        waitpid(Pid, &status, 0);
        if (Output)
            std::fclose(Output);
    }
    TSimulatorProcess(const TSimulatorProcess&) = delete;
    TSimulatorProcess& operator=(const TSimulatorProcess&) = delete;

    std::string Device;

private:
    pid_t Pid = -1;
    std::FILE* Output = nullptr;
};

bool AwaitIdle(Tarm_SER& worker, double limitSeconds) {
    const auto end = TClock::now() + std::chrono::duration<double>(limitSeconds);
    while (worker.State.load() != StateIdle) {
        if (TClock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    int baud = 115200;
    int blocks = 128;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!std::strcmp(argv[i], "--baud"))
            baud = std::atoi(argv[i + 1]);
        else if (!std::strcmp(argv[i], "--blocks"))
            blocks = std::atoi(argv[i + 1]);
    }
    if (blocks < 1 || blocks > 128) {
        std::fprintf(stderr, "--blocks takes 1 to 128 (the configuration region)\n");
        return 64;
    }
    try {
        TSimulatorProcess simulator(baud);
        TTempDir dir;
        Tarm_SER worker;
        worker.DeviceName = simulator.Device;
        worker.Start();
        while (!worker.OpenTried.load())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        if (worker.PortOpened.load() != 1) {
            std::fprintf(stderr, "cannot open %s\n", simulator.Device.c_str());
            return 1;
        }

        const double cpuBefore = ProcessCpuSeconds();
        const auto idleStart = TClock::now();
        std::this_thread::sleep_for(std::chrono::seconds(5));
        const double idleCpu = ProcessCpuSeconds() - cpuBefore;
        const double idleWall = Seconds(TClock::now() - idleStart);
        std::printf("idle worker: %.4f s CPU in %.2f s (%.3f %% of one core)\n", idleCpu, idleWall,
                    100.0 * idleCpu / idleWall);

        std::string image(static_cast<size_t>(blocks) * BlockSize, '\0');
        for (size_t i = 0; i < image.size(); ++i)
            image[i] = static_cast<char>((i * 7 + 3) & 0xFF);
        WriteFileBytes(dir / "image.bin", image);
        worker.FileName = dir / "image.bin";
        std::int32_t size = 0;
        auto start = TClock::now();
        if (worker.StartRegionWrite(1, size) != StartStarted || !AwaitIdle(worker, 600))
            throw std::runtime_error("the write did not run");
        const double writeSeconds = Seconds(TClock::now() - start);
        const int writeRetries = worker.RetryCount.load();

        worker.FileName = dir / "back.bin";
        start = TClock::now();
        if (worker.StartRegionRead(1, size) != StartStarted || !AwaitIdle(worker, 600))
            throw std::runtime_error("the read did not run");
        const double readSeconds = Seconds(TClock::now() - start);
        const bool same = ReadFileBytes(dir / "back.bin") == image;

        // Start, eight data bits and stop: ten bits a byte; an acknowledge is taken as 8 bytes.
        const double bitsPerByte = 10.0;
        const double writeWire = (273 + 8) * bitsPerByte / baud;
        const double readWire = (15 + 258) * bitsPerByte / baud;
        std::printf("write: %d blocks in %.3f s, %.2f ms per block (wire %.2f ms: 273 + 8 bytes), "
                    "retries %d\n",
                    blocks, writeSeconds, 1000.0 * writeSeconds / blocks, 1000.0 * writeWire, writeRetries);
        std::printf("read:  %d blocks in %.3f s, %.2f ms per block (wire %.2f ms: 15 + 258 bytes), "
                    "retries %d, read-back %s\n",
                    blocks, readSeconds, 1000.0 * readSeconds / blocks, 1000.0 * readWire,
                    worker.RetryCount.load(), same ? "identical" : "DIFFERS");
        return same && !worker.ErrorSeen.load() ? 0 : 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "WorkerBench: %s\n", e.what());
        return 1;
    }
}
