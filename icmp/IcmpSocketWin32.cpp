#include "icmp/IcmpEchoServiceWin32.h"

#include "common/WideTextWin32.h"
#include "icmp/IcmpSocket.h"

#include <algorithm>
#include <cstring>
#include <mutex>

#include <windows.h>
#include <winsock2.h>
#include <ws2tcpip.h>

namespace {

std::string SystemText(int error) {
    std::string result = SystemErrorText(static_cast<DWORD>(error));
    while (!result.empty() && result.back() == '.')
        result.pop_back();
    return result + " (error " + std::to_string(error) + ")";
}

// Winsock is started once for the process and left running until it ends.
void StartWinsock() {
    static std::once_flag once;
    static int startError = 0;
    std::call_once(once, [] {
        WSADATA data{};
        startError = WSAStartup(MAKEWORD(2, 2), &data);
    });
    if (startError != 0)
        throw EPingError("cannot start Windows Sockets: " + SystemText(startError));
}

TIPv4Address FromSockaddr(const sockaddr_in& address) {
    TIPv4Address result;
    std::memcpy(result.Bytes.data(), &address.sin_addr.s_addr, 4);
    return result;
}

class TUniqueSocket {
public:
    explicit TUniqueSocket(SOCKET s) : Socket(s) {}
    ~TUniqueSocket() {
        if (Socket != INVALID_SOCKET)
            closesocket(Socket);
    }
    TUniqueSocket(const TUniqueSocket&) = delete;
    TUniqueSocket& operator=(const TUniqueSocket&) = delete;
    SOCKET Get() const { return Socket; }

private:
    SOCKET Socket;
};

// A raw ICMP socket: every datagram comes with its IPv4 header.
class TIcmpSocketWin32 : public IIcmpSocket {
public:
    explicit TIcmpSocketWin32(SOCKET s) : Socket(s) {}

    std::size_t Send(const std::vector<std::uint8_t>& message, const TIPv4Address& address) override {
        sockaddr_in to{};
        to.sin_family = AF_INET;
        std::memcpy(&to.sin_addr.s_addr, address.Bytes.data(), 4);
        const int sent =
            sendto(Socket.Get(), reinterpret_cast<const char*>(message.data()),
                   static_cast<int>(message.size()), 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
        if (sent == SOCKET_ERROR)
            throw EPingError("cannot send the echo request to " + address.Text() + ": " +
                             SystemText(WSAGetLastError()));
        return static_cast<std::size_t>(sent);
    }

    bool WaitReadable(int timeoutMs) override {
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(Socket.Get(), &readable);
        const int ms = std::max(timeoutMs, 0);
        timeval limit{ms / 1000, (ms % 1000) * 1000};
        const int ready = select(0, &readable, nullptr, nullptr, &limit);
        if (ready == SOCKET_ERROR)
            throw EPingError("cannot wait for an answer on the ICMP socket: " +
                             SystemText(WSAGetLastError()));
        return ready > 0;
    }

    std::size_t Receive(std::uint8_t* buffer, std::size_t capacity, TIPv4Address& sender) override {
        sockaddr_in from{};
        int fromLength = sizeof from;
        const int got = recvfrom(Socket.Get(), reinterpret_cast<char*>(buffer), static_cast<int>(capacity), 0,
                                 reinterpret_cast<sockaddr*>(&from), &fromLength);
        if (got == SOCKET_ERROR) {
            const int error = WSAGetLastError();
            // A datagram longer than the buffer arrives cut to its size, as elsewhere.
            if (error != WSAEMSGSIZE)
                throw EPingError("cannot receive from the ICMP socket: " + SystemText(error));
            sender = FromSockaddr(from);
            return capacity;
        }
        sender = FromSockaddr(from);
        return static_cast<std::size_t>(got);
    }

    bool HeaderIncluded() const override { return true; }

private:
    TUniqueSocket Socket;
};

} // namespace

std::unique_ptr<IIcmpSocket> OpenIcmpSocket() {
    StartWinsock();
    const SOCKET s = socket(AF_INET, SOCK_RAW, IPPROTO_ICMP);
    if (s == INVALID_SOCKET) {
        const int rawError = WSAGetLastError();
        // A user without administrator rights gets no raw socket; the system's echo service needs none.
        if (rawError != WSAEACCES)
            throw EPingError("cannot open a raw ICMP socket: " + SystemText(rawError));
        try {
            return OpenIcmpEchoService();
        } catch (const EPingError& e) {
            throw EPingError("no ICMP socket: a raw one is refused (" + SystemText(rawError) + "), and " +
                             e.what());
        }
    }
    auto result = std::make_unique<TIcmpSocketWin32>(s);
    const int ttl = IcmpTimeToLive;
    if (setsockopt(s, IPPROTO_IP, IP_TTL, reinterpret_cast<const char*>(&ttl), sizeof ttl) == SOCKET_ERROR)
        throw EPingError("cannot set the time-to-live on the ICMP socket: " + SystemText(WSAGetLastError()));
    return result;
}

TIPv4Address LookUpHostName(const std::string& name) {
    StartWinsock();
    ADDRINFOW hints{};
    hints.ai_family = AF_INET;
    ADDRINFOW* found = nullptr;
    const int result = GetAddrInfoW(WideFromUtf8(name).c_str(), nullptr, &hints, &found);
    const std::unique_ptr<ADDRINFOW, void (*)(ADDRINFOW*)> owner(found, FreeAddrInfoW);
    if (result != 0)
        throw EPingError("cannot resolve host '" + name + "': " + SystemText(result));
    for (const ADDRINFOW* entry = found; entry; entry = entry->ai_next) {
        if (entry->ai_family == AF_INET && entry->ai_addrlen >= sizeof(sockaddr_in)) {
            sockaddr_in address{};
            std::memcpy(&address, entry->ai_addr, sizeof address);
            return FromSockaddr(address);
        }
    }
    throw EPingError("cannot resolve host '" + name + "': no IPv4 address");
}

std::uint32_t CurrentProcessId() {
    return static_cast<std::uint32_t>(GetCurrentProcessId());
}
