#pragma once

#include "updater/Tarm_SER.h"
#include "updater/UpdateSequence.h"

#include <array>
#include <filesystem>
#include <functional>
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

using TLines = std::array<int, 3>;

// Records what the sequence shows; the progress tick runs on every event turn while enabled.
class TFakeDisplay : public TUpdateDisplay {
public:
    void ShowStatus(int init, int firmware, int project) override {
        const TLines lines{init, firmware, project};
        if (Shows.empty() || Shows.back() != lines)
            Shows.push_back(lines);
        ProcessEvents();
    }
    void SetProgress(int percent) override { Progress.push_back(percent); }
    void EnableProgressTick(bool enabled) override { Ticking = enabled; }
    bool ProgressTickEnabled() const override { return Ticking; }
    void ProcessEvents() override {
        ++Turns;
        if (Ticking && !InTick && OnProgressTick) {
            InTick = true;
            OnProgressTick();
            InTick = false;
        }
    }
    bool Abandoned() const override { return GiveUp && GiveUp(); }
    void Pause(int ms) override {
        ++Pauses;
        TUpdateDisplay::Pause(ms);
    }

    std::vector<TLines> Shows;
    std::vector<int> Progress;
    std::function<bool()> GiveUp;
    bool Ticking = false;
    bool InTick = false;
    int Turns = 0;
    int Pauses = 0;
};
