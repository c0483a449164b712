#pragma once

#include "icmp/IcmpSocket.h"

#include <string>

// Why this process may open no ICMP socket, told from the error that OpenIcmpSocket raised and
// from what the platform allows.
std::string IcmpRefusalReason(const std::string& error);

// Empty when this process may open an ICMP socket (raw, or a datagram one for one of its groups);
// otherwise why not.
inline std::string IcmpRefusal() {
    try {
        OpenIcmpSocket();
        return std::string();
    } catch (const EPingError& e) {
        return IcmpRefusalReason(e.what());
    }
}

// Skips the test where ICMP sockets are not permitted, saying why.
#define ZE_SKIP_WITHOUT_ICMP()                                                                               \
    if (const std::string icmpRefusal = IcmpRefusal(); !icmpRefusal.empty())                                 \
    GTEST_SKIP() << icmpRefusal
