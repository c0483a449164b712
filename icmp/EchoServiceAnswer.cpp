#include "icmp/EchoServiceAnswer.h"

#include <algorithm>

namespace {

constexpr std::size_t IcmpHeaderSize = 8;
constexpr std::size_t IPv4HeaderSize = 20;
constexpr std::uint8_t EchoReplyType = 0;
constexpr std::uint8_t UnreachableType = 3;
constexpr std::uint8_t TimeExceededType = 11;
// Win32 error codes the service also answers.
constexpr std::uint32_t ErrorAccessDenied = 5;
constexpr std::uint32_t ErrorNotSupported = 50;
constexpr std::uint32_t ErrorInvalidParameter = 87;

} // namespace

std::string EchoServiceStatusText(std::uint32_t status) {
    namespace S = EchoServiceStatus;
    const char* name = "unknown status";
    switch (status) {
    case S::BufferTooSmall:
        name = "reply buffer too small";
        break;
    case S::DestNetUnreachable:
        name = "destination network unreachable";
        break;
    case S::DestHostUnreachable:
        name = "destination host unreachable";
        break;
    case S::DestProtUnreachable:
        name = "destination protocol unreachable";
        break;
    case S::DestPortUnreachable:
        name = "destination port unreachable";
        break;
    case S::NoResources:
        name = "no resources";
        break;
    case S::BadOption:
        name = "bad option";
        break;
    case S::HwError:
        name = "hardware error";
        break;
    case S::PacketTooBig:
        name = "packet too big";
        break;
    case S::ReqTimedOut:
        name = "request timed out";
        break;
    case S::BadReq:
        name = "bad request";
        break;
    case S::BadRoute:
        name = "bad route";
        break;
    case S::TtlExpiredTransit:
        name = "time-to-live expired in transit";
        break;
    case S::TtlExpiredReassem:
        name = "time-to-live expired during reassembly";
        break;
    case S::ParamProblem:
        name = "parameter problem";
        break;
    case S::SourceQuench:
        name = "source quench";
        break;
    case S::BadDestination:
        name = "bad destination";
        break;
    case S::GeneralFailure:
        name = "general failure";
        break;
    case ErrorAccessDenied:
        name = "access denied";
        break;
    case ErrorNotSupported:
        name = "not supported";
        break;
    case ErrorInvalidParameter:
        name = "invalid parameter";
        break;
    default:
        break;
    }
    return std::string(name) + " (status " + std::to_string(status) + ")";
}

std::optional<std::pair<std::uint8_t, std::uint8_t>> IcmpReportOfStatus(std::uint32_t status) {
    namespace S = EchoServiceStatus;
    switch (status) {
    case S::DestNetUnreachable:
        return std::make_pair(UnreachableType, std::uint8_t{0});
    case S::DestHostUnreachable:
        return std::make_pair(UnreachableType, std::uint8_t{1});
    case S::DestProtUnreachable:
        return std::make_pair(UnreachableType, std::uint8_t{2});
    case S::DestPortUnreachable:
        return std::make_pair(UnreachableType, std::uint8_t{3});
    case S::TtlExpiredTransit:
        return std::make_pair(TimeExceededType, std::uint8_t{0});
    case S::TtlExpiredReassem:
        return std::make_pair(TimeExceededType, std::uint8_t{1});
    default:
        return std::nullopt;
    }
}

std::vector<std::uint8_t> EchoServiceDatagram(std::uint8_t type, std::uint8_t code,
                                              const std::vector<std::uint8_t>& request,
                                              const TIPv4Address& destination, const TIPv4Address& from,
                                              std::uint8_t ttl, const std::vector<std::uint8_t>& echoed) {
    std::vector<std::uint8_t> message;
    if (type == EchoReplyType) {
        message.assign(request.begin(), request.begin() + static_cast<std::ptrdiff_t>(
                                                              std::min(request.size(), IcmpHeaderSize)));
        message.resize(IcmpHeaderSize, 0);
        message[0] = EchoReplyType;
        message[1] = 0;
        message.insert(message.end(), echoed.begin(), echoed.end());
        message[2] = message[3] = 0;
        const std::uint16_t sum = InternetChecksum(message.data(), message.size());
        message[2] = static_cast<std::uint8_t>(sum >> 8);
        message[3] = static_cast<std::uint8_t>(sum);
    } else {
        message = ComposeIcmpErrorMessage(type, code, destination, request.data(), request.size());
    }
    std::vector<std::uint8_t> datagram(IPv4HeaderSize, 0);
    const std::size_t total = IPv4HeaderSize + message.size();
    datagram[0] = 0x45;
    datagram[2] = static_cast<std::uint8_t>(total >> 8);
    datagram[3] = static_cast<std::uint8_t>(total);
    datagram[8] = ttl;
    datagram[9] = 1; // ICMP
    std::copy(from.Bytes.begin(), from.Bytes.end(), datagram.begin() + 12);
    std::copy(destination.Bytes.begin(), destination.Bytes.end(), datagram.begin() + 16);
    datagram.insert(datagram.end(), message.begin(), message.end());
    return datagram;
}
