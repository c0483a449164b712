#pragma once

#include "icmp/Ping1.h"

#include <cstdint>
#include <vector>

// Crafted ICMP datagrams as a raw socket delivers them, for the echo client's fake sockets.

using TIcmpBytes = std::vector<std::uint8_t>;

// The identifier this process puts into its requests.
inline std::uint16_t OwnIcmpIdentifier() {
    return static_cast<std::uint16_t>(CurrentProcessId());
}

// An IPv4 header of the given length in words, time-to-live 57, protocol ICMP.
inline TIcmpBytes IcmpIpHeader(unsigned words = 5) {
    TIcmpBytes header(4 * words, 0);
    header[0] = static_cast<std::uint8_t>(0x40 | words);
    header[8] = 57;
    header[9] = 1;
    return header;
}

inline TIcmpBytes IcmpJoin(TIcmpBytes a, const TIcmpBytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// A 52-byte echo message (reply or request) with the sequence number least significant byte first.
inline TIcmpBytes IcmpEchoMessage(std::uint8_t type, std::uint16_t sequence) {
    TIcmpBytes message = BuildEchoRequest(0x4242, sequence, 0, "peer");
    message[0] = type;
    return message;
}

// An echo message behind an IPv4 header.
inline TIcmpBytes IcmpEcho(std::uint8_t type, std::uint16_t sequence, unsigned words = 5) {
    return IcmpJoin(IcmpIpHeader(words), IcmpEchoMessage(type, sequence));
}

// A type 3 or 11 report that quotes the first 8 bytes of a request with that identifier and
// sequence number behind an inner IPv4 header as long as the outer one.
inline TIcmpBytes IcmpReport(std::uint8_t type, std::uint16_t sequence, std::uint16_t identifier,
                             unsigned words = 5) {
    const TIcmpBytes icmp = {type, 1, 0, 0, 0, 0, 0, 0};
    TIcmpBytes quoted = BuildEchoRequest(identifier, sequence, 0, "");
    quoted.resize(8);
    return IcmpJoin(IcmpJoin(IcmpJoin(IcmpIpHeader(words), icmp), IcmpIpHeader(words)), quoted);
}
