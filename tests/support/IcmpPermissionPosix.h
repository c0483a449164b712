#pragma once

#include "configurator/IcmpSocket.h"

#include <fstream>
#include <string>

#include <unistd.h>

// Empty when this process may open a raw ICMP socket, or a datagram one for one of its groups;
// otherwise why not.
inline std::string IcmpRefusal() {
    try {
        OpenIcmpSocket();
        return std::string();
    } catch (const EPingError& e) {
        std::ifstream range("/proc/sys/net/ipv4/ping_group_range");
        std::string low, high;
        range >> low >> high;
        return std::string("no raw or datagram ICMP socket permitted here (") + e.what() +
               "; ping_group_range is " + low + " " + high + ", our group " + std::to_string(::getgid()) +
               ")";
    }
}

// Skips the test where ICMP sockets are not permitted, saying why.
#define ZE_SKIP_WITHOUT_ICMP()                                                                               \
    if (const std::string icmpRefusal = IcmpRefusal(); !icmpRefusal.empty())                                 \
    GTEST_SKIP() << icmpRefusal
