#include "station/PortRow.h"

#include "common/ProgramPath.h"
#include "serial/ComPortProbe.h"

std::string PortShortName(const std::string& path) {
    const std::string dev = std::string(DefaultPortFolder) + "/";
    if (path.size() > dev.size() && path.compare(0, dev.size(), dev) == 0)
        return path.substr(dev.size());
    const auto slash = path.find_last_of(PathSeparators);
    return slash == std::string::npos || slash + 1 == path.size() ? path : path.substr(slash + 1);
}
