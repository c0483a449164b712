#pragma once

#include <string>
#include <vector>

// The paths that lead to distinct devices: of several paths to one device (/dev/ttyUSB0 and its link
// in /dev/serial/by-id/) the one that is the device itself is kept, else the first. Two updates of
// one device would only lock each other out. The order is that of each device's first path.
std::vector<std::string> DistinctDevices(const std::vector<std::string>& paths);
