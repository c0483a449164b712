#pragma once

#include "station/StationOutput.h"

#include <cstdint>
#include <cstdio>
#include <map>
#include <string>

// The station's events as text lines, one line per event ("ttyUSB0: FIRMWARE Write in Progress..."),
// the progress at each tenth, then the summary line: for a log or a pipe.
class TStationLines : public TStationOutput {
public:
    explicit TStationLines(std::FILE* out);
    void Event(const TStationEvent& event) override;
    void Summary(const std::vector<TPortRow>& finished, const std::string& text, int exitCode) override;

    // The line of one event; empty for a progress that reached no new tenth.
    std::string LineOf(const TStationEvent& event);

private:
    std::FILE* Out;
    std::map<std::string, int> Tenths; // per port, the last tenth shown of its transfer
};

// A block repeated, as the update says it: "write of 0x004080 not acknowledged, sent again (retry 1)".
std::string RetryText(bool read, std::uint32_t address, std::int32_t retries);
