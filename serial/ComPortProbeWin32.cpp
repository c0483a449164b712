#include "serial/ComPortProbe.h"

#include "common/UniqueHandleWin32.h"
#include "common/WideTextWin32.h"

#include <algorithm>

#include <windows.h>

const char* const DefaultPortFolder = "\\\\.\\";

namespace {

constexpr int HighestComPort = 256;

// A port exists when it opens, or when opening is refused because another program holds it.
bool PortExists(const std::string& path) {
    const TUniqueHandle handle(CreateFileW(WideFromUtf8(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                                           nullptr, OPEN_EXISTING, 0, nullptr));
    return handle.Valid() || GetLastError() == ERROR_ACCESS_DENIED;
}

} // namespace

std::vector<std::string> ListComPorts(const std::string& devDir) {
    std::vector<std::string> ports;
    for (int n = 1; n <= HighestComPort; ++n) {
        const std::string name = "COM" + std::to_string(n);
        if (PortExists(ComPortPath(name, devDir)))
            ports.push_back(name);
    }
    return ports;
}

std::string ComPortPath(const std::string& name, const std::string& devDir) {
    return devDir + name;
}

// Windows has no per-user folder of virtual ports: a virtual COM port is made by its driver.
std::string UserPortFolder() {
    return std::string();
}

std::vector<std::string> ListUserComPorts(const std::string& /*folder*/) {
    return {};
}
