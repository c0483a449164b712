#pragma once

#include "icmp/IcmpSocket.h"

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// What the system's echo service of Windows (IcmpSendEcho2) answers, turned into the datagram a
// raw socket would have received, so that the echo client's reply rules judge it unchanged. Kept
// apart from the service's calls so that the rules are tested with crafted statuses everywhere.

// The IP status codes of the echo service, with the values Windows gives them.
namespace EchoServiceStatus {
constexpr std::uint32_t Success = 0;
constexpr std::uint32_t BufferTooSmall = 11001;
constexpr std::uint32_t DestNetUnreachable = 11002;
constexpr std::uint32_t DestHostUnreachable = 11003;
constexpr std::uint32_t DestProtUnreachable = 11004;
constexpr std::uint32_t DestPortUnreachable = 11005;
constexpr std::uint32_t NoResources = 11006;
constexpr std::uint32_t BadOption = 11007;
constexpr std::uint32_t HwError = 11008;
constexpr std::uint32_t PacketTooBig = 11009;
constexpr std::uint32_t ReqTimedOut = 11010;
constexpr std::uint32_t BadReq = 11011;
constexpr std::uint32_t BadRoute = 11012;
constexpr std::uint32_t TtlExpiredTransit = 11013;
constexpr std::uint32_t TtlExpiredReassem = 11014;
constexpr std::uint32_t ParamProblem = 11015;
constexpr std::uint32_t SourceQuench = 11016;
constexpr std::uint32_t BadDestination = 11018;
constexpr std::uint32_t GeneralFailure = 11050;
} // namespace EchoServiceStatus

// The status in words with its number: "destination host unreachable (status 11003)".
std::string EchoServiceStatusText(std::uint32_t status);

// The ICMP type and code of the report that a status stands for (the unreachable and
// time-exceeded statuses), if it stands for one.
std::optional<std::pair<std::uint8_t, std::uint8_t>> IcmpReportOfStatus(std::uint32_t status);

// The datagram of an answer: a 20-byte IPv4 header from `from` to destination with the time-to-live
// ttl, then the echo reply (type 0: the request's header with its identifier and sequence number,
// then the echoed data) or the report of that type and code quoting the whole request.
std::vector<std::uint8_t> EchoServiceDatagram(std::uint8_t type, std::uint8_t code,
                                              const std::vector<std::uint8_t>& request,
                                              const TIPv4Address& destination, const TIPv4Address& from,
                                              std::uint8_t ttl, const std::vector<std::uint8_t>& echoed);
