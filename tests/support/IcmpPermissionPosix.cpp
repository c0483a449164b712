#include "tests/support/IcmpPermission.h"

#include <fstream>

#include <unistd.h>

std::string IcmpRefusalReason(const std::string& error) {
    std::ifstream range("/proc/sys/net/ipv4/ping_group_range");
    std::string low, high;
    range >> low >> high;
    return "no ICMP socket permitted here (" + error + "; ping_group_range is " + low + " " + high +
           ", our group " + std::to_string(getgid()) + ")";
}
