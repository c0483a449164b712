// The echo client's reply rules on any datagrams: an exchange either fails with EPingError or
// reports once; a reported answer is the last datagram received, of one of the four expected
// types, carrying the request's sequence number where its type puts it (a report also its identifier).
#include "icmp/Ping1.h"
#include "tests/fuzz/FuzzSupport.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

namespace {

struct TScriptedSocket : IIcmpSocket {
    std::vector<std::vector<std::uint8_t>> Datagrams;
    std::size_t Next = 0;
    bool Raw = false;
    std::vector<std::uint8_t>* LastDelivered = nullptr; // as the rules see it: with an IPv4 header;
                                                        // outlives the socket, which Ping closes

    std::size_t Send(const std::vector<std::uint8_t>& message, const TIPv4Address&) override {
        return message.size();
    }
    bool WaitReadable(int) override { return Next < Datagrams.size(); }
    std::size_t Receive(std::uint8_t* buffer, std::size_t capacity, TIPv4Address& sender) override {
        const auto& d = Datagrams[Next++];
        const std::size_t n = std::min(d.size(), capacity);
        if (n > 0)
            std::memcpy(buffer, d.data(), n);
        sender = TIPv4Address{{10, 0, 0, 7}};
        LastDelivered->assign(d.begin(), d.begin() + static_cast<std::ptrdiff_t>(n));
        if (!Raw)
            LastDelivered->insert(LastDelivered->begin(), 20, 0), (*LastDelivered)[0] = 0x45;
        return n;
    }
    bool HeaderIncluded() const override { return Raw; }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1)
        return 0;
    // First byte: raw socket or not; then datagrams, each behind a two-byte length.
    auto socket = std::make_unique<TScriptedSocket>();
    TScriptedSocket* script = socket.get();
    std::vector<std::uint8_t> lastDelivered;
    script->LastDelivered = &lastDelivered;
    script->Raw = (data[0] & 1) != 0;
    std::size_t at = 1;
    while (at + 2 <= size) {
        const std::size_t length = std::min<std::size_t>(data[at] | data[at + 1] << 8, size - at - 2);
        script->Datagrams.emplace_back(data + at + 2, data + at + 2 + length);
        at += 2 + length;
    }

    TPing1 ping;
    ping.Host = "10.0.0.7";
    ping.SocketFactory = [&socket] { return std::move(socket); };
    int reports = 0;
    TEchoReply reported;
    ping.OnReply = [&](TPing1&, const TEchoReply& reply) {
        ++reports;
        reported = reply;
    };
    const std::uint16_t sequence = ping.SequenceNumber();
    try {
        ping.Ping("fuzz");
    } catch (const EPingError&) {
        FUZZ_ASSERT(reports == 0);
        FUZZ_ASSERT(ping.SequenceNumber() == sequence);
        return 0;
    }
    FUZZ_ASSERT(reports == 1);
    FUZZ_ASSERT(ping.SequenceNumber() == static_cast<std::uint16_t>(sequence + 1));
    FUZZ_ASSERT(reported.SequenceId == sequence);
    if (reported.BytesReceived == 0) {
        FUZZ_ASSERT(reported.ReplyStatusType == TReplyKind::Timeout);
        return 0;
    }
    const std::vector<std::uint8_t>& d = lastDelivered;
    FUZZ_ASSERT(reported.BytesReceived == d.size());
    FUZZ_ASSERT(reported.FromIpAddress == "10.0.0.7");
    const std::size_t h = 4 * (d[0] & 0x0F);
    const std::uint8_t type = d[h];
    FUZZ_ASSERT(reported.MsgType == type);
    std::size_t seqAt = 0;
    if (type == 0 || type == 8) {
        FUZZ_ASSERT(reported.ReplyStatusType == TReplyKind::Echo);
        seqAt = h + 6;
    } else {
        FUZZ_ASSERT(type == 3 || type == 11);
        FUZZ_ASSERT(reported.ReplyStatusType ==
                    (type == 3 ? TReplyKind::Unreachable : TReplyKind::TimeExceeded));
        seqAt = 2 * h + 14;
        // A report is about our request: it quotes our identifier too.
        FUZZ_ASSERT((d[seqAt - 2] | d[seqAt - 1] << 8) == static_cast<std::uint16_t>(CurrentProcessId()));
    }
    FUZZ_ASSERT(seqAt + 2 <= d.size());
    FUZZ_ASSERT((d[seqAt] | d[seqAt + 1] << 8) == sequence);
    return 0;
}
