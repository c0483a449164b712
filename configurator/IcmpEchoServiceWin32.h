#pragma once

#include "configurator/IcmpSocket.h"

#include <memory>

// The system's own echo service (IcmpSendEcho2 of iphlpapi), which needs no administrator rights,
// seen through the socket interface: Send keeps the request, the first wait runs the exchange, and
// the answer is handed out as the datagram a raw socket would have received (an IPv4 header with
// the reply's sender and time-to-live, then the echo reply or error report). The identifier and
// sequence number on the wire are the system's; the answer carries the request's own, so the reply
// rules apply unchanged. Raises EPingError when the service cannot be opened.
std::unique_ptr<IIcmpSocket> OpenIcmpEchoService();
