#include "station/DistinctDevices.h"

#include <filesystem>
#include <map>
#include <system_error>

namespace {

// Where path leads, links followed; the path itself where that cannot be told.
std::string DeviceOf(const std::string& path) {
    std::error_code ec;
    const auto resolved = std::filesystem::canonical(std::filesystem::u8path(path), ec);
    return ec ? path : resolved.u8string();
}

} // namespace

std::vector<std::string> DistinctDevices(const std::vector<std::string>& paths) {
    std::vector<std::string> kept;
    std::map<std::string, std::size_t> slot; // device -> its place in kept
    for (const std::string& path : paths) {
        const std::string device = DeviceOf(path);
        const auto found = slot.find(device);
        if (found == slot.end()) {
            slot[device] = kept.size();
            kept.push_back(path);
        } else if (path == device) {
            kept[found->second] = path;
        }
    }
    return kept;
}
