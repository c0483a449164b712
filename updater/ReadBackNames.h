#pragma once

#include <chrono>
#include <ctime>
#include <string>

// The time stamp of a read-back file: year, month, day, hour, minute, second and millisecond as
// decimal numbers without leading zeros and without separators (5 March 2024 09:07:03.045 gives
// "20243597345"). `local` is a broken-down local time as localtime_r fills it.
std::string ReadBackStamp(const std::tm& local, int millisecond);

// The stamp of one reading of the local clock.
std::string ReadBackStamp(std::chrono::system_clock::time_point when);
std::string CurrentReadBackStamp();

// Read-back file of the firmware: the folder part of firmwareFile (up to and including its last
// separator, empty when it has none), then "USB", the stamp and ".b79".
std::string FirmwareReadBackName(const std::string& firmwareFile, const std::string& stamp);

// Read-back file of the configuration image: projectFolder unchanged, then "ParGen_", the stamp and
// ".b79".
std::string ImageReadBackName(const std::string& projectFolder, const std::string& stamp);
