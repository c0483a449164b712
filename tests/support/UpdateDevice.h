#pragma once

#include "tests/support/SequenceSupport.h"
#include "tools/simulator/Simulator.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

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
