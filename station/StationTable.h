#pragma once

#include "station/StationOutput.h"

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

// The table's lines: a header, then one row per port (port, adapter, the line now running, percent,
// bytes per second, elapsed, result; a running port's result is its line's text), columns padded
// to their widest entry. now gives a running port's elapsed time.
std::vector<std::string> StationTableLines(const std::vector<TPortRow>& rows,
                                           std::chrono::steady_clock::time_point now);

// The summary line under the table while ports run: "2 running, " before the summary text.
std::string LiveSummaryText(const std::vector<TPortRow>& rows, const std::vector<TPortRow>& finished);

// The station on a terminal: the table redrawn in place at each tick, the summary line under it.
// A port taken again (the next converter on an adapter) takes its old row.
class TStationTable : public TStationOutput {
public:
    explicit TStationTable(std::FILE* out);
    void Event(const TStationEvent& event) override;
    void Tick(std::chrono::steady_clock::time_point now) override;
    void Summary(const std::vector<TPortRow>& finished, const std::string& text, int exitCode) override;

private:
    void Draw(const std::vector<std::string>& lines);

    std::FILE* Out;
    std::vector<TPortRow> Rows;
    std::vector<TPortRow> Ended;
    bool Dirty = true;
    std::size_t Drawn = 0; // lines drawn last time, to go back over
};
