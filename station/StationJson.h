#pragma once

#include "station/StationOutput.h"

#include <cstdio>
#include <map>
#include <string>

// The station as JSON, one document a line: each event ({"event": "taken" | "line" | "progress" |
// "retry"}, progress at each tenth), each finished port ({"event": "finished"} with its lines,
// transfers and exit code), then the summary document ({"summary": ...} with every port).
class TStationJson : public TStationOutput {
public:
    explicit TStationJson(std::FILE* out);
    void Event(const TStationEvent& event) override;
    void Summary(const std::vector<TPortRow>& finished, const std::string& text, int exitCode) override;

    // The document of one event, its line break included; empty for a progress that reached no new
    // tenth.
    std::string DocumentOf(const TStationEvent& event);

private:
    std::FILE* Out;
    std::map<std::string, int> Tenths;
};

// The summary document, its line break included.
std::string StationSummaryJson(const std::vector<TPortRow>& finished, const std::string& text, int exitCode);
