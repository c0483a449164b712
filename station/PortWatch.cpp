#include "station/PortWatch.h"

TPortWatch::TPortWatch(const std::vector<std::string>& present, const std::vector<std::string>& taken)
    : Held(present.begin(), present.end()) {
    Held.insert(taken.begin(), taken.end());
}

std::vector<std::string> TPortWatch::Take(const std::vector<std::string>& listed,
                                          const std::set<std::string>& busy) {
    const std::set<std::string> now(listed.begin(), listed.end());
    for (auto it = Held.begin(); it != Held.end();)
        it = now.count(*it) ? std::next(it) : Held.erase(it);
    std::vector<std::string> take;
    for (const std::string& port : listed)
        if (!Held.count(port) && !busy.count(port)) {
            Held.insert(port);
            take.push_back(port);
        }
    return take;
}
