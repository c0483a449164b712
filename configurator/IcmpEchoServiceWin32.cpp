#include "configurator/IcmpEchoServiceWin32.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <vector>

// In this order: the sockets before windows.h, the helper API before its echo part.
#include <winsock2.h>

#include <windows.h>

#include <iphlpapi.h>

#include <icmpapi.h>

namespace {

constexpr std::size_t IcmpHeaderSize = 8;
constexpr std::size_t IPv4HeaderSize = 20;
constexpr std::uint8_t EchoReplyType = 0;
constexpr std::uint8_t UnreachableType = 3;
constexpr std::uint8_t TimeExceededType = 11;

// The IP status codes the echo service answers, named (GetIpErrorString is not everywhere).
std::string StatusText(DWORD status) {
    const char* name = nullptr;
    switch (status) {
    case IP_BUF_TOO_SMALL:
        name = "reply buffer too small";
        break;
    case IP_DEST_NET_UNREACHABLE:
        name = "destination network unreachable";
        break;
    case IP_DEST_HOST_UNREACHABLE:
        name = "destination host unreachable";
        break;
    case IP_DEST_PROT_UNREACHABLE:
        name = "destination protocol unreachable";
        break;
    case IP_DEST_PORT_UNREACHABLE:
        name = "destination port unreachable";
        break;
    case IP_NO_RESOURCES:
        name = "no resources";
        break;
    case IP_BAD_OPTION:
        name = "bad option";
        break;
    case IP_HW_ERROR:
        name = "hardware error";
        break;
    case IP_PACKET_TOO_BIG:
        name = "packet too big";
        break;
    case IP_REQ_TIMED_OUT:
        name = "request timed out";
        break;
    case IP_BAD_REQ:
        name = "bad request";
        break;
    case IP_BAD_ROUTE:
        name = "bad route";
        break;
    case IP_TTL_EXPIRED_TRANSIT:
        name = "time-to-live expired in transit";
        break;
    case IP_TTL_EXPIRED_REASSEM:
        name = "time-to-live expired during reassembly";
        break;
    case IP_PARAM_PROBLEM:
        name = "parameter problem";
        break;
    case IP_SOURCE_QUENCH:
        name = "source quench";
        break;
    case IP_BAD_DESTINATION:
        name = "bad destination";
        break;
    case IP_GENERAL_FAILURE:
        name = "general failure";
        break;
    case ERROR_ACCESS_DENIED:
        name = "access denied";
        break;
    case ERROR_NOT_SUPPORTED:
        name = "not supported";
        break;
    case ERROR_INVALID_PARAMETER:
        name = "invalid parameter";
        break;
    default:
        break;
    }
    return std::string(name ? name : "unknown status") + " (status " + std::to_string(status) + ")";
}

// The ICMP type and code that an IP status of the echo service reports, if it reports one.
std::optional<std::pair<std::uint8_t, std::uint8_t>> IcmpErrorOf(DWORD status) {
    switch (status) {
    case IP_DEST_NET_UNREACHABLE:
        return std::make_pair(UnreachableType, std::uint8_t{0});
    case IP_DEST_HOST_UNREACHABLE:
        return std::make_pair(UnreachableType, std::uint8_t{1});
    case IP_DEST_PROT_UNREACHABLE:
        return std::make_pair(UnreachableType, std::uint8_t{2});
    case IP_DEST_PORT_UNREACHABLE:
        return std::make_pair(UnreachableType, std::uint8_t{3});
    case IP_TTL_EXPIRED_TRANSIT:
        return std::make_pair(TimeExceededType, std::uint8_t{0});
    case IP_TTL_EXPIRED_REASSEM:
        return std::make_pair(TimeExceededType, std::uint8_t{1});
    default:
        return std::nullopt;
    }
}

class TIcmpEchoServiceWin32 : public IIcmpSocket {
public:
    explicit TIcmpEchoServiceWin32(HANDLE handle) : Handle(handle) {}
    ~TIcmpEchoServiceWin32() override { IcmpCloseHandle(Handle); }
    TIcmpEchoServiceWin32(const TIcmpEchoServiceWin32&) = delete;
    TIcmpEchoServiceWin32& operator=(const TIcmpEchoServiceWin32&) = delete;

    std::size_t Send(const std::vector<std::uint8_t>& message, const TIPv4Address& address) override {
        if (message.size() < IcmpHeaderSize)
            throw EPingError("an echo request of " + std::to_string(message.size()) +
                             " bytes has no ICMP header");
        Request = message;
        Destination = address;
        Exchanged = false;
        Answer.clear();
        return message.size();
    }

    bool WaitReadable(int timeoutMs) override {
        if (!Exchanged && !Request.empty()) {
            Exchanged = true;
            Exchange(static_cast<DWORD>(std::max(timeoutMs, 1)));
        }
        return !Answer.empty();
    }

    std::size_t Receive(std::uint8_t* buffer, std::size_t capacity, TIPv4Address& sender) override {
        if (Answer.empty())
            throw EPingError("no answer from the echo service to receive");
        const std::size_t length = std::min(Answer.size(), capacity);
        std::copy(Answer.begin(), Answer.begin() + static_cast<std::ptrdiff_t>(length), buffer);
        sender = AnswerFrom;
        Answer.clear();
        return length;
    }

    bool HeaderIncluded() const override { return true; }

private:
    void Exchange(DWORD timeoutMs) {
        IP_OPTION_INFORMATION options{};
        options.Ttl = IcmpTimeToLive;
        IPAddr to = 0;
        std::memcpy(&to, Destination.Bytes.data(), 4);
        std::vector<std::uint8_t> data(Request.begin() + IcmpHeaderSize, Request.end());
        // Room for the reply structure, the echoed data, an ICMP error's 8 bytes and the status block
        // (two pointer-sized words), with some to spare.
        std::vector<std::uint8_t> replies(sizeof(ICMP_ECHO_REPLY) + data.size() + 8 + 2 * sizeof(void*) +
                                          256);
        const DWORD count =
            IcmpSendEcho2(Handle, nullptr, nullptr, nullptr, to, data.data(), static_cast<WORD>(data.size()),
                          &options, replies.data(), static_cast<DWORD>(replies.size()), timeoutMs);
        if (count == 0) {
            const DWORD error = GetLastError();
            if (error == IP_REQ_TIMED_OUT)
                return;
            if (const auto icmp = IcmpErrorOf(error)) {
                Compose(icmp->first, icmp->second, Destination, 0, {});
                return;
            }
            throw EPingError("the echo service could not ping " + Destination.Text() + ": " +
                             StatusText(error));
        }
        ICMP_ECHO_REPLY reply{};
        std::memcpy(&reply, replies.data(), sizeof reply);
        TIPv4Address from;
        std::memcpy(from.Bytes.data(), &reply.Address, 4);
        if (reply.Status == IP_REQ_TIMED_OUT)
            return;
        if (reply.Status == IP_SUCCESS) {
            const auto* echoed = static_cast<const std::uint8_t*>(reply.Data);
            const std::size_t echoedSize = echoed && echoed >= replies.data() &&
                                                   echoed + reply.DataSize <= replies.data() + replies.size()
                                               ? reply.DataSize
                                               : 0;
            Compose(EchoReplyType, 0, from, reply.Options.Ttl,
                    std::vector<std::uint8_t>(echoed, echoed + echoedSize));
            return;
        }
        if (const auto icmp = IcmpErrorOf(reply.Status)) {
            Compose(icmp->first, icmp->second, from, reply.Options.Ttl, {});
            return;
        }
        throw EPingError("the echo service answered the ping of " + Destination.Text() + " with " +
                         StatusText(reply.Status));
    }

    // The datagram a raw socket would have received: an IPv4 header, then the echo reply (the
    // request's identifier and sequence number before the echoed data) or the error report quoting
    // the request.
    void Compose(std::uint8_t type, std::uint8_t code, const TIPv4Address& from, std::uint8_t ttl,
                 const std::vector<std::uint8_t>& echoed) {
        std::vector<std::uint8_t> message;
        if (type == EchoReplyType) {
            message.assign(Request.begin(), Request.begin() + IcmpHeaderSize);
            message[0] = EchoReplyType;
            message[1] = 0;
            message.insert(message.end(), echoed.begin(), echoed.end());
            message[2] = message[3] = 0;
            const std::uint16_t sum = InternetChecksum(message.data(), message.size());
            message[2] = static_cast<std::uint8_t>(sum >> 8);
            message[3] = static_cast<std::uint8_t>(sum);
        } else {
            message = ComposeIcmpErrorMessage(type, code, Destination, Request.data(), Request.size());
        }
        Answer.assign(IPv4HeaderSize, 0);
        const std::size_t total = IPv4HeaderSize + message.size();
        Answer[0] = 0x45;
        Answer[2] = static_cast<std::uint8_t>(total >> 8);
        Answer[3] = static_cast<std::uint8_t>(total);
        Answer[8] = ttl;
        Answer[9] = 1; // ICMP
        std::copy(from.Bytes.begin(), from.Bytes.end(), Answer.begin() + 12);
        std::copy(Destination.Bytes.begin(), Destination.Bytes.end(), Answer.begin() + 16);
        Answer.insert(Answer.end(), message.begin(), message.end());
        AnswerFrom = from;
    }

    HANDLE Handle;
    std::vector<std::uint8_t> Request;
    TIPv4Address Destination;
    bool Exchanged = false;
    std::vector<std::uint8_t> Answer;
    TIPv4Address AnswerFrom;
};

} // namespace

std::unique_ptr<IIcmpSocket> OpenIcmpEchoService() {
    const HANDLE handle = IcmpCreateFile();
    if (handle == INVALID_HANDLE_VALUE)
        throw EPingError("cannot open the system's echo service: " + StatusText(GetLastError()));
    return std::make_unique<TIcmpEchoServiceWin32>(handle);
}
