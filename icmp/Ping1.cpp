#include "icmp/Ping1.h"

#include "common/Text.h"

#include <algorithm>
#include <chrono>

namespace {

using TClock = std::chrono::steady_clock;

constexpr std::size_t IcmpHeaderSize = 8;
constexpr std::size_t SyntheticHeaderSize = 20;
constexpr std::uint8_t EchoReplyType = 0;
constexpr std::uint8_t UnreachableType = 3;
constexpr std::uint8_t EchoRequestType = 8;
constexpr std::uint8_t TimeExceededType = 11;

std::int64_t MsSince(TClock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(TClock::now() - start).count();
}

bool IsWholeNumberUpTo255(const std::string& part, std::uint8_t& value) {
    if (part.empty())
        return false;
    unsigned number = 0;
    for (const char c : part) {
        if (c < '0' || c > '9')
            return false;
        number = std::min(number * 10 + static_cast<unsigned>(c - '0'), 256u);
    }
    if (number > 255)
        return false;
    value = static_cast<std::uint8_t>(number);
    return true;
}

bool ParseFourNumbers(const std::string& text, TIPv4Address& address) {
    std::size_t start = 0;
    for (int i = 0; i < 4; ++i) {
        const std::size_t dot = text.find('.', start);
        const bool last = i == 3;
        if (last != (dot == std::string::npos))
            return false;
        const std::string part = text.substr(start, last ? std::string::npos : dot - start);
        if (!IsWholeNumberUpTo255(part, address.Bytes[i]))
            return false;
        start = dot + 1;
    }
    return true;
}

std::string Unusable(const TIPv4Address& from, const std::string& why) {
    return "unusable answer from " + from.Text() + ": " + why;
}

// Whether one received datagram (IPv4 header first) answers the request with this identifier and
// sequence number. An echo is matched by its sequence number alone; an unreachable or time-exceeded
// report by both numbers of the request it quotes, as another program's request may share the
// sequence number, and its report would end our wait. Raises EPingError for a datagram that cannot
// be read as one of the four expected types; nothing is read outside its length.
bool AnswersRequest(const std::vector<std::uint8_t>& datagram, std::uint16_t identifier,
                    std::uint16_t sequence, const TIPv4Address& from) {
    const std::size_t length = datagram.size();
    if (length == 0)
        throw EPingError(Unusable(from, "an empty datagram"));
    const unsigned words = datagram[0] & 0x0F;
    if (words < 5)
        throw EPingError(Unusable(from, "its IPv4 header length field is " + std::to_string(words) +
                                            ", under the 5 words of the smallest header"));
    const std::size_t h = 4 * words;
    if (length < h + IcmpHeaderSize)
        throw EPingError(Unusable(from, std::to_string(length) +
                                            " bytes are too short for an ICMP message behind " +
                                            std::to_string(h) + " bytes of IPv4 header"));
    const std::uint8_t type = datagram[h];
    std::size_t at = 0;
    if (type == EchoReplyType || type == EchoRequestType) {
        at = h + 6;
    } else if (type == UnreachableType || type == TimeExceededType) {
        at = 2 * h + 14;
        if (length < at + 2)
            throw EPingError(Unusable(
                from, "an ICMP type " + std::to_string(type) + " message of " + std::to_string(length) +
                          " bytes is too short to quote the request's sequence number"));
        const std::uint16_t quotedIdentifier =
            static_cast<std::uint16_t>(datagram[at - 2] | datagram[at - 1] << 8);
        if (quotedIdentifier != identifier)
            return false;
    } else {
        throw EPingError(
            Unusable(from, "ICMP type " + std::to_string(type) +
                               " is neither an echo nor an unreachable or time-exceeded report"));
    }
    const std::uint16_t got = static_cast<std::uint16_t>(datagram[at] | datagram[at + 1] << 8);
    return got == sequence;
}

TReplyKind KindOf(std::uint8_t type) {
    switch (type) {
    case UnreachableType:
        return TReplyKind::Unreachable;
    case TimeExceededType:
        return TReplyKind::TimeExceeded;
    default:
        return TReplyKind::Echo;
    }
}

// What a raw socket would have delivered: a 20-byte IPv4 header from the sender, then message.
std::vector<std::uint8_t> WithSyntheticHeader(const std::uint8_t* message, std::size_t length,
                                              const TIPv4Address& from) {
    std::vector<std::uint8_t> datagram(SyntheticHeaderSize + length, 0);
    const std::size_t total = datagram.size();
    datagram[0] = 0x45;
    datagram[2] = static_cast<std::uint8_t>(total >> 8);
    datagram[3] = static_cast<std::uint8_t>(total);
    datagram[9] = 1; // ICMP
    for (int i = 0; i < 4; ++i)
        datagram[12 + i] = from.Bytes[i];
    std::copy(message, message + length, datagram.begin() + SyntheticHeaderSize);
    return datagram;
}

} // namespace

bool FindsDevice(const TEchoReply& reply) {
    return reply.BytesReceived > 0 && reply.ReplyStatusType == TReplyKind::Echo;
}

const char* ReplyKindName(TReplyKind kind) {
    switch (kind) {
    case TReplyKind::Echo:
        return "echo";
    case TReplyKind::Unreachable:
        return "unreachable";
    case TReplyKind::TimeExceeded:
        return "time exceeded";
    case TReplyKind::Timeout:
        break;
    }
    return "timeout";
}

std::uint32_t TickCountMs() {
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(TClock::now().time_since_epoch());
    return static_cast<std::uint32_t>(ms.count());
}

std::vector<std::uint8_t> BuildEchoRequest(std::uint16_t identifier, std::uint16_t sequence,
                                           std::uint32_t originateTime, const std::string& data) {
    std::vector<std::uint8_t> request(EchoRequestSize, 0);
    request[0] = EchoRequestType;
    request[4] = static_cast<std::uint8_t>(identifier);
    request[5] = static_cast<std::uint8_t>(identifier >> 8);
    request[6] = static_cast<std::uint8_t>(sequence);
    request[7] = static_cast<std::uint8_t>(sequence >> 8);
    for (int i = 0; i < 4; ++i)
        request[8 + i] = static_cast<std::uint8_t>(originateTime >> (8 * i));
    const std::size_t dataStart = EchoRequestSize - EchoDataSize;
    for (std::size_t i = 0; i < EchoDataSize; ++i)
        request[dataStart + i] = i < data.size() ? static_cast<std::uint8_t>(data[i]) : 'E';
    const std::uint16_t sum = InternetChecksum(request.data(), request.size());
    request[2] = static_cast<std::uint8_t>(sum >> 8);
    request[3] = static_cast<std::uint8_t>(sum);
    return request;
}

TPing1::TPing1() : SocketFactory(OpenIcmpSocket), NameLookup(LookUpHostName) {}

TIPv4Address TPing1::ResolveHost(const std::string& host) const {
    if (UpperAsciiLetters(host) == "LOCALHOST")
        return TIPv4Address{{127, 0, 0, 1}};
    TIPv4Address address;
    if (ParseFourNumbers(host, address))
        return address;
    if (!NameLookup)
        throw EPingError("cannot resolve host '" + host + "': no name service");
    return NameLookup(host);
}

void TPing1::Ping(const std::string& data) {
    const TIPv4Address address = ResolveHost(Host);
    std::unique_ptr<IIcmpSocket> socket = SocketFactory ? SocketFactory() : nullptr;
    if (!socket)
        throw EPingError("no ICMP socket to ping " + address.Text());

    const auto identifier = static_cast<std::uint16_t>(CurrentProcessId());
    const auto request = BuildEchoRequest(identifier, Sequence, TickCountMs(), data);
    const auto sentAt = TClock::now();
    const std::size_t sent = socket->Send(request, address);
    if (sent < request.size())
        throw EPingError("only " + std::to_string(sent) + " of the " + std::to_string(request.size()) +
                         " bytes of the echo request were sent to " + address.Text());

    TEchoReply reply;
    reply.SequenceId = Sequence;
    const std::size_t capacity =
        socket->HeaderIncluded() ? MaxIcmpDatagram : MaxIcmpDatagram - SyntheticHeaderSize;
    std::vector<std::uint8_t> buffer(capacity);
    const auto waitStart = TClock::now();
    for (;;) {
        const std::int64_t remaining = ReceiveTimeout - MsSince(waitStart);
        if (remaining <= 0 || !socket->WaitReadable(static_cast<int>(remaining)))
            break;
        TIPv4Address from;
        const std::size_t length =
            std::min(socket->Receive(buffer.data(), buffer.size(), from), buffer.size());
        // A copy of exactly the received length, so that the rules cannot read stale bytes.
        const std::vector<std::uint8_t> datagram =
            socket->HeaderIncluded() ? std::vector<std::uint8_t>(buffer.begin(), buffer.begin() + length)
                                     : WithSyntheticHeader(buffer.data(), length, from);
        if (!AnswersRequest(datagram, identifier, Sequence, from))
            continue;
        const std::uint8_t type = datagram[4 * (datagram[0] & 0x0F)];
        reply.BytesReceived = datagram.size();
        reply.FromIpAddress = from.Text();
        reply.MsgType = type;
        reply.MsRoundTripTime = static_cast<std::uint32_t>(MsSince(sentAt));
        reply.TimeToLive = datagram[8];
        reply.ReplyStatusType = KindOf(type);
        break;
    }
    socket.reset();
    if (OnReply)
        OnReply(*this, reply);
    Sequence = static_cast<std::uint16_t>(Sequence + 1);
}
