#pragma once

#include <chrono>
#include <functional>
#include <thread>

// Waits until condition holds, at most bound, trying it again every interval; false when the bound
// passed first. The bound is generous: only a hang should reach it.
inline bool Await(const std::function<bool()>& condition,
                  std::chrono::milliseconds bound = std::chrono::seconds(30),
                  std::chrono::microseconds interval = std::chrono::microseconds(200)) {
    const auto end = std::chrono::steady_clock::now() + bound;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(interval);
    }
    return true;
}
