#pragma once

#include "icmp/IcmpSocket.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// The ICMP echo client of the device ping: one echo request per exchange, the first answer that
// carries the request's sequence number completes it (a report about the request also carries its
// identifier).

enum class TReplyKind { Echo, Timeout, Unreachable, TimeExceeded };

// The reply status reported after every completed exchange.
struct TEchoReply {
    std::size_t BytesReceived = 0; // the matching datagram's whole length; 0 when none came in time
    std::string FromIpAddress;     // its sender, dotted; empty when none came
    std::uint8_t MsgType = 0;      // its ICMP type: 0, 8, 3 or 11
    std::uint16_t SequenceId = 0;  // the request's sequence number
    std::uint32_t MsRoundTripTime = 0;
    std::uint8_t TimeToLive = 0; // from its IPv4 header; 0 where the socket does not deliver it
    TReplyKind ReplyStatusType = TReplyKind::Timeout;
};

// Whether a completed exchange found the device: only an echo reply (or the workstation's own
// request, received when it pings itself) does. An unreachable or time-exceeded report about the
// request ends the wait, but says the device was not reached.
bool FindsDevice(const TEchoReply& reply);

// The kind in words: "echo", "timeout", "unreachable", "time exceeded".
const char* ReplyKindName(TReplyKind kind);

// Size of the echo request and of its data part.
constexpr std::size_t EchoRequestSize = 52;
constexpr std::size_t EchoDataSize = 32;
// Sequence number of the first request of a run.
constexpr std::uint16_t FirstSequenceNumber = 3489;
// How long an exchange waits for its answer.
constexpr int DefaultReceiveTimeoutMs = 5000;

// The platform's millisecond tick count (a steady clock), wrapping at 2^32.
std::uint32_t TickCountMs();

// The 52-byte echo request: type 8, code 0, checksum, identifier, sequence number and originate
// time least significant byte first, 8 zero bytes, then data cut or padded with "E" to 32 bytes.
std::vector<std::uint8_t> BuildEchoRequest(std::uint16_t identifier, std::uint16_t sequence,
                                           std::uint32_t originateTime, const std::string& data);

class TPing1 {
public:
    using TReplyHandler = std::function<void(TPing1& sender, const TEchoReply& reply)>;

    // Uses the platform's socket and name service unless replaced.
    TPing1();

    std::string Host;                             // target host, set before each exchange
    int ReceiveTimeout = DefaultReceiveTimeoutMs; // ms, counted from the start of the receive step
    TReplyHandler OnReply;
    TIcmpSocketFactory SocketFactory; // opens the socket of one exchange
    TNameLookup NameLookup;           // names that are neither "LOCALHOST" nor four numbers

    std::uint16_t SequenceNumber() const { return Sequence; }

    // The echo exchange: resolves Host, sends one request carrying data, waits for the answer,
    // closes the socket, reports through OnReply and then advances the sequence number. Raises
    // EPingError (and advances nothing) when the host cannot be resolved, the request cannot be
    // sent, or an unusable answer arrives.
    void Ping(const std::string& data);

    // "LOCALHOST" in any case is 127.0.0.1, four dot-separated numbers 0..255 are the address
    // itself, anything else goes to NameLookup.
    TIPv4Address ResolveHost(const std::string& host) const;

private:
    std::uint16_t Sequence = FirstSequenceNumber;
};
