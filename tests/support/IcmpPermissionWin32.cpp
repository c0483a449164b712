#include "tests/support/IcmpPermission.h"

std::string IcmpRefusalReason(const std::string& error) {
    // Windows opens raw sockets for administrators only; wine opens them where its Linux user may.
    return "no raw ICMP socket permitted here (" + error +
           "; Windows needs an administrator, wine a Linux user with CAP_NET_RAW)";
}
