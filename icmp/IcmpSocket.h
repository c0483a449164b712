#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

// What the ICMP echo client needs of the network: one socket for ICMP over IPv4, and the name
// service. The real ones live in IcmpSocketPosix.cpp; tests hand in crafted datagrams instead.

// Every failure of the echo exchange: resolution, socket, send, receive, an unusable answer.
class EPingError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// An IPv4 address, its bytes in network order (192.168.0.10 is {192, 168, 0, 10}).
struct TIPv4Address {
    std::array<std::uint8_t, 4> Bytes{};

    // Dotted decimal, "192.168.0.10".
    std::string Text() const;
    bool operator==(const TIPv4Address& o) const { return Bytes == o.Bytes; }
    bool operator!=(const TIPv4Address& o) const { return !(*this == o); }
};

// Largest datagram examined; a longer one is cut to this size by the receive.
constexpr std::size_t MaxIcmpDatagram = 1024;

// Time-to-live of the requests.
constexpr int IcmpTimeToLive = 128;

class IIcmpSocket {
public:
    virtual ~IIcmpSocket() = default;
    // Sends one ICMP message to address; answers the bytes sent. Raises EPingError on failure.
    virtual std::size_t Send(const std::vector<std::uint8_t>& message, const TIPv4Address& address) = 0;
    // True when a datagram (or a reported ICMP error) can be received within timeoutMs.
    virtual bool WaitReadable(int timeoutMs) = 0;
    // Receives one datagram into buffer (at most capacity bytes), sets its sender, answers its length.
    // Raises EPingError on failure.
    virtual std::size_t Receive(std::uint8_t* buffer, std::size_t capacity, TIPv4Address& sender) = 0;
    // True when received datagrams start with their IPv4 header (raw socket); false when they start
    // with the ICMP message (datagram socket).
    virtual bool HeaderIncluded() const = 0;
};

using TIcmpSocketFactory = std::function<std::unique_ptr<IIcmpSocket>()>;
using TNameLookup = std::function<TIPv4Address(const std::string& name)>;

// Opens the platform's ICMP socket: a raw one with the IPv4 time-to-live 128 where permitted,
// else the unprivileged ICMP datagram socket. Raises EPingError when neither can be opened.
std::unique_ptr<IIcmpSocket> OpenIcmpSocket();

// Looks name up as an IPv4 host through the platform's name service; raises EPingError when the
// lookup fails.
TIPv4Address LookUpHostName(const std::string& name);

// The id of this process (the echo identifier is its low 16 bits).
std::uint32_t CurrentProcessId();

// The ICMP error message (type 3 or 11, say) that a raw socket would deliver without its own IPv4
// header, rebuilt from an error the datagram socket reports out of band: the ICMP header, then
// the quoted request behind a 20-byte IPv4 header addressed to destination.
std::vector<std::uint8_t> ComposeIcmpErrorMessage(std::uint8_t type, std::uint8_t code,
                                                  const TIPv4Address& destination, const std::uint8_t* quoted,
                                                  std::size_t quotedLength);

// The Internet checksum (RFC 1071) of data, ready to be stored as its bytes in network order:
// byte 0 is the high byte.
std::uint16_t InternetChecksum(const std::uint8_t* data, std::size_t length);
