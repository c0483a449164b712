#pragma once

#include "tests/support/Await.h"
#include "updater/Tarm_SER.h"

#include <mutex>
#include <string>
#include <utility>
#include <vector>

// Frames and replies the worker reported through OnFrame, in order.
class TFrameLog {
public:
    void Attach(Tarm_SER& worker) {
        worker.OnFrame = [this](bool sent, const std::string& bytes) {
            std::lock_guard<std::mutex> lock(Lock);
            Entries.push_back({sent, bytes});
        };
    }
    std::vector<std::string> Sent() const { return Only(true); }
    std::vector<std::string> Received() const { return Only(false); }
    size_t Size() const {
        std::lock_guard<std::mutex> lock(Lock);
        return Entries.size();
    }

private:
    std::vector<std::string> Only(bool sent) const {
        std::lock_guard<std::mutex> lock(Lock);
        std::vector<std::string> out;
        for (const auto& e : Entries)
            if (e.first == sent)
                out.push_back(e.second);
        return out;
    }
    mutable std::mutex Lock;
    std::vector<std::pair<bool, std::string>> Entries;
};

// The 14 header characters of each frame sent.
inline std::vector<std::string> Headers(const std::vector<std::string>& frames) {
    std::vector<std::string> out;
    for (const auto& f : frames)
        out.push_back(f.substr(0, 14));
    return out;
}

// Starts the worker on device; true once its port opened.
inline bool StartWorker(Tarm_SER& worker, const std::string& device) {
    worker.DeviceName = device;
    worker.Start();
    return Await([&] { return worker.OpenTried.load(); }) && worker.PortOpened.load() == 1;
}

inline bool AwaitIdle(Tarm_SER& worker) {
    return Await([&] { return worker.State.load() == StateIdle; });
}
