#include "record/RecordPlace.h"

#include <cstdlib>
#include <vector>

#include <pwd.h>
#include <unistd.h>

namespace {

// The user's entry through the reentrant look-up: updates of a station run side by side.
std::string PasswordField(bool home) {
    passwd entry{};
    std::vector<char> text(16384);
    passwd* found = nullptr;
    if (::getpwuid_r(::geteuid(), &entry, text.data(), text.size(), &found) != 0 || !found)
        return std::string();
    return home ? entry.pw_dir : entry.pw_name;
}

} // namespace

std::string EnvironmentValue(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

std::string DefaultRecordFile() {
    std::string data = EnvironmentValue("XDG_DATA_HOME");
    // Only an absolute folder counts, as the base directory rules say.
    if (data.empty() || data[0] != '/') {
        std::string home = EnvironmentValue("HOME");
        if (home.empty())
            home = PasswordField(true);
        if (home.empty())
            return std::string();
        data = home + "/.local/share";
    }
    return data + "/ze50321/records.jsonl";
}

std::string HostName() {
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0)
        return std::string();
    return name;
}

std::string UserName() {
    const std::string name = PasswordField(false);
    return name.empty() ? EnvironmentValue("USER") : name;
}
