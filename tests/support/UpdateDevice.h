#pragma once

#include "tools/simulator/Simulator.h"
#include "updater/Tarm_SER.h"
#include "updater/UpdateSequence.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <dirent.h>

// A simulated converter for the updater's tests: no line pacing unless asked, faults by options.
inline TSimulatorOptions FastSimulator() {
    TSimulatorOptions o;
    o.Baud = 0;
    return o;
}

class TUpdateDevice {
public:
    explicit TUpdateDevice(TSimulatorOptions options = FastSimulator())
        : Simulator(std::make_unique<TSimulator>(std::move(options))) {
        Simulator->Start();
    }
    std::string Path() const { return Simulator->DevicePath(); }
    std::string Memory(std::uint32_t address, std::uint32_t count) const {
        const std::vector<std::uint8_t> bytes = Simulator->ReadMemory(address, count);
        return std::string(bytes.begin(), bytes.end());
    }
    void SetMemory(std::uint32_t address, const std::string& bytes) {
        Simulator->WriteMemory(address, std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
    }
    std::uint64_t WriteFrames() const { return Simulator->WriteFrames(); }
    static std::string ErasedBytes(std::size_t count) { return std::string(count, '\xff'); }
    // Takes the converter away: its pseudo-terminal is closed.
    void Remove() { Simulator.reset(); }

private:
    std::unique_ptr<TSimulator> Simulator;
};

// Reply waits short enough for a test that leaves the converter silent.
inline void ShortenLinkTimings(Tarm_SER& worker) {
    worker.Timings.PollMs = 5;
    worker.Timings.AckIdlePolls = 100;
    worker.Timings.DataPolls = 100;
}

// Pauses and waits of the update sequence short enough for tests.
inline TUpdateTimings ShortTimings() {
    TUpdateTimings t;
    t.StartDelayMs = 1;
    t.TickMs = 5;
    t.InitWaitMs = 3000;
    t.InitEndsOnceOpen = true;
    t.PauseMs = 5;
    t.TurnMs = 2;
    return t;
}

// The names of the files in folder that end with suffix (the read-back files: ".b79").
inline std::vector<std::string> FilesEndingWith(const std::string& folder, const std::string& suffix) {
    std::vector<std::string> found;
    if (DIR* d = opendir(folder.c_str())) {
        while (const dirent* e = readdir(d)) {
            const std::string name = e->d_name;
            if (name.size() >= suffix.size() &&
                name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0)
                found.push_back(name);
        }
        closedir(d);
    }
    return found;
}
