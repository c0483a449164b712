#pragma once

#include <chrono>
#include <string>

// Local time of day with milliseconds, "HH:MM:SS.mmm".
std::string TraceTimeStamp(std::chrono::system_clock::time_point when);

// A frame's bytes for a trace line: control bytes written as \r, \n or \xNN, and text longer than
// 48 characters shortened to its first 24 and last 16 characters around "...".
std::string ShortFrameText(const std::string& bytes);
