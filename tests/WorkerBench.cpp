// Benchmark of the boot-link worker against the converter simulator at the real line speed; not
// part of the test run. Run: build/<preset>/tests/WorkerBench [--baud N] [--blocks N]
// It starts `ze50321 simulate --baud N` from the program folder, measures the CPU time of an idle
// worker over 5 s, then writes and reads back blocks of the configuration region and prints the
// time per block beside the time the frames take on the wire.
#include "tests/support/Await.h"
#include "tests/support/Bytes.h"
#include "tests/support/Process.h"
#include "tests/support/TempDir.h"
#include "updater/Tarm_SER.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include <sys/resource.h>
#include <unistd.h>

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
        TTempDir dir;
        // The simulator's first line of output is its device path.
        TProcess simulator({ToolPath(), "simulate", "--baud", std::to_string(baud)}, dir / "simulate.out");
        if (!simulator.AwaitOutput("\n"))
            throw std::runtime_error("the simulator printed no device path");
        const std::string device = simulator.Text().substr(0, simulator.Text().find('\n'));
        Tarm_SER worker;
        worker.DeviceName = device;
        worker.Start();
        if (!Await([&] { return worker.OpenTried.load(); }) || worker.PortOpened.load() != 1) {
            std::fprintf(stderr, "cannot open %s\n", device.c_str());
            return 1;
        }

        const double cpuBefore = ProcessCpuSeconds();
        const auto idleStart = TClock::now();
        std::this_thread::sleep_for(std::chrono::seconds(5));
        const double idleCpu = ProcessCpuSeconds() - cpuBefore;
        const double idleWall = Seconds(TClock::now() - idleStart);
        std::printf("idle worker: %.4f s CPU in %.2f s (%.3f %% of one core)\n", idleCpu, idleWall,
                    100.0 * idleCpu / idleWall);

        const std::string image = Pattern(static_cast<size_t>(blocks) * BlockSize);
        WriteFileBytes(dir / "image.bin", image);
        worker.FileName = dir / "image.bin";
        std::int32_t size = 0;
        auto start = TClock::now();
        if (worker.StartRegionWrite(ConfigRegion, size) != TStartResult::Started ||
            !Await([&] { return worker.State.load() == StateIdle; }, std::chrono::minutes(10)))
            throw std::runtime_error("the write did not run");
        const double writeSeconds = Seconds(TClock::now() - start);
        const int writeRetries = worker.RetryCount.load();

        worker.FileName = dir / "back.bin";
        start = TClock::now();
        if (worker.StartRegionRead(ConfigRegion, size) != TStartResult::Started ||
            !Await([&] { return worker.State.load() == StateIdle; }, std::chrono::minutes(10)))
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
