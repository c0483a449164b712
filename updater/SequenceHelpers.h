#pragma once

#include "common/Utf8Path.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <thread>

// Small helpers the update sequence and the read-only sequence share.

// Removes the file if it is there; a failure is left for the next run.
inline void RemoveSequenceFile(const std::string& path) {
    std::error_code ec;
    std::filesystem::remove(Utf8Path(path), ec);
}

inline void SleepMs(int ms) {
    if (ms > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

// Milliseconds as seconds: "60", or "2.5" where a fraction remains.
inline std::string SecondsText(int ms) {
    char text[32];
    if (ms % 1000 == 0)
        std::snprintf(text, sizeof text, "%d", ms / 1000);
    else
        std::snprintf(text, sizeof text, "%.1f", ms / 1000.0);
    return text;
}
