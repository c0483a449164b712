#include "icmp/IcmpEchoServiceWin32.h"
#include "icmp/EchoServiceAnswer.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <vector>

// In this order: the sockets before windows.h, the helper API before its echo part.
#include <winsock2.h>

#include <windows.h>

#include <iphlpapi.h>

#include <icmpapi.h>

namespace S = EchoServiceStatus;
static_assert(S::Success == IP_SUCCESS && S::BufferTooSmall == IP_BUF_TOO_SMALL &&
                  S::DestNetUnreachable == IP_DEST_NET_UNREACHABLE &&
                  S::DestHostUnreachable == IP_DEST_HOST_UNREACHABLE &&
                  S::DestProtUnreachable == IP_DEST_PROT_UNREACHABLE &&
                  S::DestPortUnreachable == IP_DEST_PORT_UNREACHABLE && S::NoResources == IP_NO_RESOURCES &&
                  S::BadOption == IP_BAD_OPTION && S::HwError == IP_HW_ERROR &&
                  S::PacketTooBig == IP_PACKET_TOO_BIG && S::ReqTimedOut == IP_REQ_TIMED_OUT &&
                  S::BadReq == IP_BAD_REQ && S::BadRoute == IP_BAD_ROUTE &&
                  S::TtlExpiredTransit == IP_TTL_EXPIRED_TRANSIT &&
                  S::TtlExpiredReassem == IP_TTL_EXPIRED_REASSEM && S::ParamProblem == IP_PARAM_PROBLEM &&
                  S::SourceQuench == IP_SOURCE_QUENCH && S::BadDestination == IP_BAD_DESTINATION &&
                  S::GeneralFailure == IP_GENERAL_FAILURE,
              "the echo service's status codes as Windows defines them");

namespace {

constexpr std::size_t IcmpHeaderSize = 8;
constexpr std::uint8_t EchoReplyType = 0;

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
            if (const auto icmp = IcmpReportOfStatus(error)) {
                Compose(icmp->first, icmp->second, Destination, 0, {});
                return;
            }
            throw EPingError("the echo service could not ping " + Destination.Text() + ": " +
                             EchoServiceStatusText(error));
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
        if (const auto icmp = IcmpReportOfStatus(reply.Status)) {
            Compose(icmp->first, icmp->second, from, reply.Options.Ttl, {});
            return;
        }
        throw EPingError("the echo service answered the ping of " + Destination.Text() + " with " +
                         EchoServiceStatusText(reply.Status));
    }

    void Compose(std::uint8_t type, std::uint8_t code, const TIPv4Address& from, std::uint8_t ttl,
                 const std::vector<std::uint8_t>& echoed) {
        Answer = EchoServiceDatagram(type, code, Request, Destination, from, ttl, echoed);
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
        throw EPingError("cannot open the system's echo service: " + EchoServiceStatusText(GetLastError()));
    return std::make_unique<TIcmpEchoServiceWin32>(handle);
}
