#pragma once

#include <set>
#include <string>
#include <vector>

// Which ports of a bench to take: each port that appears, once, and again only after it went away
// and came back (the next converter on that adapter, or the next converter's own USB port).
class TPortWatch {
public:
    // present: the ports listed when the watch starts; they are left alone until they go and come
    // back, except those in taken, which the station takes at once.
    TPortWatch(const std::vector<std::string>& present, const std::vector<std::string>& taken);

    // The ports of a new listing to take now: listed, not taken since they were last missing from a
    // listing, and not busy (a port whose last update still runs is taken once it has ended).
    std::vector<std::string> Take(const std::vector<std::string>& listed, const std::set<std::string>& busy);

private:
    std::set<std::string> Held; // taken, or there from the start, and listed ever since
};
