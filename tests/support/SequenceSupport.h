#pragma once

#include "updater/Tarm_SER.h"
#include "updater/UpdateSequence.h"

#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

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
    t.InitEndsOnFailedOpen = true;
    t.InitEndsOnceOpen = true;
    t.PauseMs = 5;
    t.TurnMs = 2;
    return t;
}

// The names of the files in folder that end with suffix (the read-back files: ".b79").
inline std::vector<std::string> FilesEndingWith(const std::string& folder, const std::string& suffix) {
    std::vector<std::string> found;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(folder, ec)) {
        const std::string name = e.path().filename().string();
        if (name.size() >= suffix.size() &&
            name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0)
            found.push_back(name);
    }
    return found;
}
