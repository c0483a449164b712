#include "icmp/IcmpSocket.h"

#include "common/UniqueFd.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <utility>

#include <arpa/inet.h>
#include <linux/errqueue.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

std::string SystemText(int error) {
    return std::string(std::strerror(error)) + " (errno " + std::to_string(error) + ")";
}

TIPv4Address FromSockaddr(const sockaddr_in& address) {
    TIPv4Address result;
    std::memcpy(result.Bytes.data(), &address.sin_addr.s_addr, 4);
    return result;
}

sockaddr_in ToSockaddr(const TIPv4Address& address) {
    sockaddr_in result{};
    result.sin_family = AF_INET;
    std::memcpy(&result.sin_addr.s_addr, address.Bytes.data(), 4);
    return result;
}

void SetIpOption(int fd, int option, int value, const char* what) {
    if (setsockopt(fd, IPPROTO_IP, option, &value, sizeof value) != 0)
        throw EPingError(std::string("cannot set ") + what + " on the ICMP socket: " + SystemText(errno));
}

// Raw sockets deliver every ICMP datagram with its IPv4 header. The datagram socket delivers only
// the echo replies to its own requests, without the header; ICMP errors about those requests come
// through its error queue (IP_RECVERR) and are rebuilt as the messages a raw socket would see.
class TIcmpSocketPosix : public IIcmpSocket {
public:
    TIcmpSocketPosix(TUniqueFd socket, bool raw) : Socket(std::move(socket)), Raw(raw) {}

    std::size_t Send(const std::vector<std::uint8_t>& message, const TIPv4Address& address) override {
        if (message.size() >= QuotedIdentifierEnd)
            std::copy(message.begin() + 4, message.begin() + QuotedIdentifierEnd, SentIdentifier.begin());
        const sockaddr_in to = ToSockaddr(address);
        for (;;) {
            const ssize_t sent = ::sendto(Socket.Get(), message.data(), message.size(), 0,
                                          reinterpret_cast<const sockaddr*>(&to), sizeof to);
            if (sent >= 0)
                return static_cast<std::size_t>(sent);
            if (errno != EINTR)
                throw EPingError("cannot send the echo request to " + address.Text() + ": " +
                                 SystemText(errno));
        }
    }

    bool WaitReadable(int timeoutMs) override {
        using TClock = std::chrono::steady_clock;
        const auto deadline = TClock::now() + std::chrono::milliseconds(timeoutMs);
        for (;;) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - TClock::now()).count();
            pollfd entry{Socket.Get(), POLLIN, 0};
            const int ready = ::poll(&entry, 1, static_cast<int>(std::max<decltype(left)>(left, 0)));
            if (ready > 0)
                return true;
            if (ready == 0)
                return false;
            if (errno != EINTR)
                throw EPingError("cannot wait for an answer on the ICMP socket: " + SystemText(errno));
        }
    }

    std::size_t Receive(std::uint8_t* buffer, std::size_t capacity, TIPv4Address& sender) override {
        if (!Raw) {
            std::size_t length = 0;
            if (ReceiveQueuedError(buffer, capacity, sender, length))
                return length;
        }
        sockaddr_in from{};
        socklen_t fromLength = sizeof from;
        for (;;) {
            const ssize_t got = ::recvfrom(Socket.Get(), buffer, capacity, 0,
                                           reinterpret_cast<sockaddr*>(&from), &fromLength);
            if (got >= 0) {
                sender = FromSockaddr(from);
                return static_cast<std::size_t>(got);
            }
            if (errno != EINTR)
                throw EPingError("cannot receive from the ICMP socket: " + SystemText(errno));
        }
    }

    bool HeaderIncluded() const override { return Raw; }

private:
    bool ReceiveQueuedError(std::uint8_t* buffer, std::size_t capacity, TIPv4Address& sender,
                            std::size_t& length) {
        std::uint8_t quoted[MaxIcmpDatagram];
        alignas(cmsghdr) char control[512];
        sockaddr_in destination{};
        iovec part{quoted, sizeof quoted};
        msghdr message{};
        message.msg_name = &destination;
        message.msg_namelen = sizeof destination;
        message.msg_iov = &part;
        message.msg_iovlen = 1;
        message.msg_control = control;
        message.msg_controllen = sizeof control;
        const ssize_t got = ::recvmsg(Socket.Get(), &message, MSG_ERRQUEUE | MSG_DONTWAIT);
        if (got < 0) {
            if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)
                return false;
            throw EPingError("cannot read the error queue of the ICMP socket: " + SystemText(errno));
        }
        for (cmsghdr* c = CMSG_FIRSTHDR(&message); c; c = CMSG_NXTHDR(&message, c)) {
            if (c->cmsg_level != IPPROTO_IP || c->cmsg_type != IP_RECVERR)
                continue;
            sock_extended_err error{};
            std::memcpy(&error, CMSG_DATA(c), sizeof error);
            if (error.ee_origin != SO_EE_ORIGIN_ICMP)
                throw EPingError("the ICMP socket reported: " + SystemText(static_cast<int>(error.ee_errno)));
            // The datagram socket sent the request with an identifier of its own choosing, and its
            // error queue holds reports about its own requests only: the quoted request gets back
            // the identifier it was given, which the reply rules compare.
            if (static_cast<std::size_t>(got) >= QuotedIdentifierEnd)
                std::copy(SentIdentifier.begin(), SentIdentifier.end(), quoted + 4);
            sockaddr_in offender{};
            std::memcpy(&offender, SO_EE_OFFENDER(reinterpret_cast<sock_extended_err*>(CMSG_DATA(c))),
                        sizeof offender);
            const auto rebuilt =
                ComposeIcmpErrorMessage(error.ee_type, error.ee_code, FromSockaddr(destination), quoted,
                                        static_cast<std::size_t>(got));
            length = std::min(rebuilt.size(), capacity);
            std::copy(rebuilt.begin(), rebuilt.begin() + static_cast<std::ptrdiff_t>(length), buffer);
            sender = FromSockaddr(offender);
            return true;
        }
        throw EPingError("the ICMP socket's error queue held an entry without an error report");
    }

    static constexpr std::size_t QuotedIdentifierEnd = 6; // the identifier is bytes 4 and 5

    TUniqueFd Socket;
    bool Raw;
    std::array<std::uint8_t, 2> SentIdentifier{};
};

} // namespace

std::unique_ptr<IIcmpSocket> OpenIcmpSocket() {
    TUniqueFd raw(::socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC, IPPROTO_ICMP));
    if (raw.Get() >= 0) {
        SetIpOption(raw.Get(), IP_TTL, IcmpTimeToLive, "the time-to-live");
        return std::make_unique<TIcmpSocketPosix>(std::move(raw), true);
    }
    const int rawError = errno;
    if (rawError != EPERM && rawError != EACCES)
        throw EPingError("cannot open a raw ICMP socket: " + SystemText(rawError));
    TUniqueFd datagram(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_ICMP));
    if (datagram.Get() < 0)
        throw EPingError("cannot open an ICMP socket: raw sockets are refused (" + SystemText(rawError) +
                         ") and so are ICMP datagram sockets (" + SystemText(errno) +
                         "); see /proc/sys/net/ipv4/ping_group_range");
    SetIpOption(datagram.Get(), IP_TTL, IcmpTimeToLive, "the time-to-live");
    SetIpOption(datagram.Get(), IP_RECVERR, 1, "the error reports");
    return std::make_unique<TIcmpSocketPosix>(std::move(datagram), false);
}

TIPv4Address LookUpHostName(const std::string& name) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    addrinfo* found = nullptr;
    const int result = ::getaddrinfo(name.c_str(), nullptr, &hints, &found);
    const std::unique_ptr<addrinfo, void (*)(addrinfo*)> owner(found, ::freeaddrinfo);
    if (result != 0) {
        const std::string why = result == EAI_SYSTEM ? SystemText(errno) : ::gai_strerror(result);
        throw EPingError("cannot resolve host '" + name + "': " + why);
    }
    for (const addrinfo* entry = found; entry; entry = entry->ai_next) {
        if (entry->ai_family == AF_INET && entry->ai_addrlen >= sizeof(sockaddr_in)) {
            sockaddr_in address{};
            std::memcpy(&address, entry->ai_addr, sizeof address);
            return FromSockaddr(address);
        }
    }
    throw EPingError("cannot resolve host '" + name + "': no IPv4 address");
}

std::uint32_t CurrentProcessId() {
    return static_cast<std::uint32_t>(::getpid());
}
