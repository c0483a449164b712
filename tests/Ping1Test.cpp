#include "icmp/Ping1.h"
#include "icmp/EchoServiceAnswer.h"

#include "tests/support/IcmpAnswers.h"
#include "tests/support/IcmpPermission.h"

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

using TBytes = std::vector<std::uint8_t>;

const TIPv4Address Device{{192, 168, 0, 10}};
const TIPv4Address Router{{10, 0, 0, 1}};

// What a fake socket saw and what it will deliver; outlives the socket of one exchange.
struct TFakeNetwork {
    std::vector<TBytes> Sent;
    std::vector<TIPv4Address> SentTo;
    std::deque<std::pair<TBytes, TIPv4Address>> Answers;
    bool EndlessUnrelated = false; // answers forever with Unrelated
    TBytes Unrelated;
    bool HeaderIncluded = true;
    bool RefuseSend = false;
    std::size_t SendShortBy = 0;
    std::vector<int> WaitTimeouts;
    // Makes the answer to each request sent, where set.
    std::function<TBytes(const TBytes& request, const TIPv4Address& to)> Respond;
    int Opened = 0;
    int Closed = 0;
};

class TFakeSocket : public IIcmpSocket {
public:
    explicit TFakeSocket(TFakeNetwork& net) : Net(net) { ++Net.Opened; }
    ~TFakeSocket() override { ++Net.Closed; }

    std::size_t Send(const TBytes& message, const TIPv4Address& address) override {
        if (Net.RefuseSend)
            throw EPingError("cannot send the echo request to " + address.Text() + ": Permission denied");
        Net.Sent.push_back(message);
        Net.SentTo.push_back(address);
        if (Net.Respond)
            Net.Answers.push_back({Net.Respond(message, address), Router});
        return message.size() - Net.SendShortBy;
    }
    bool WaitReadable(int timeoutMs) override {
        Net.WaitTimeouts.push_back(timeoutMs);
        return Net.EndlessUnrelated || !Net.Answers.empty();
    }
    std::size_t Receive(std::uint8_t* buffer, std::size_t capacity, TIPv4Address& sender) override {
        if (Net.EndlessUnrelated) {
            Net.Answers.push_back({Net.Unrelated, Device});
        }
        auto [bytes, from] = Net.Answers.front();
        Net.Answers.pop_front();
        EXPECT_LE(bytes.size(), capacity);
        std::copy(bytes.begin(), bytes.end(), buffer);
        sender = from;
        return bytes.size();
    }
    bool HeaderIncluded() const override { return Net.HeaderIncluded; }

private:
    TFakeNetwork& Net;
};

TBytes Header(unsigned words = 5) {
    return IcmpIpHeader(words);
}

TBytes Join(TBytes a, const TBytes& b) {
    return IcmpJoin(std::move(a), b);
}

TBytes Echo(std::uint8_t type, std::uint16_t sequence, unsigned words = 5) {
    return IcmpEcho(type, sequence, words);
}

// A report about the request with this sequence number, sent by this process unless told otherwise.
TBytes Report(std::uint8_t type, std::uint16_t sequence, unsigned words = 5,
              std::uint16_t identifier = OwnIcmpIdentifier()) {
    return IcmpReport(type, sequence, identifier, words);
}

TBytes Cut(TBytes bytes, std::size_t length) {
    bytes.resize(length);
    return bytes;
}

struct TRun {
    std::vector<TEchoReply> Replies;
};

// A client wired to the fake network; names other than "converter.lan" do not resolve.
std::unique_ptr<TPing1> MakeClient(TFakeNetwork& net, TRun& run,
                                   std::vector<std::string>* lookedUp = nullptr) {
    auto ping = std::make_unique<TPing1>();
    ping->SocketFactory = [&net] { return std::make_unique<TFakeSocket>(net); };
    ping->NameLookup = [lookedUp](const std::string& name) {
        if (lookedUp)
            lookedUp->push_back(name);
        if (name == "converter.lan")
            return TIPv4Address{{10, 1, 2, 3}};
        throw EPingError("cannot resolve host '" + name + "': Name or service not known");
    };
    ping->OnReply = [&run](TPing1&, const TEchoReply& reply) { run.Replies.push_back(reply); };
    ping->Host = Device.Text();
    return ping;
}

std::uint16_t SequenceOf(const TBytes& request) {
    return static_cast<std::uint16_t>(request[6] | request[7] << 8);
}

TEST(Ping1, BuildsTheRequestBytes) {
    const struct {
        std::string Data;
        TBytes Expected;
    } cases[] = {
        {"192.168.0.10",
         Join({8, 0, 0x3B, 0xFB, 0x34, 0x12, 0xA1, 0x0D, 0x01, 0x02, 0x03, 0x04, 0, 0, 0, 0, 0, 0, 0, 0},
              Join(TBytes{'1', '9', '2', '.', '1', '6', '8', '.', '0', '.', '1', '0'}, TBytes(20, 'E')))},
        {"0123456789abcdefghijABCDEFGHIJ0123456789",
         Join({8, 0, 0x94, 0x3F, 0x34, 0x12, 0xA1, 0x0D, 0x01, 0x02, 0x03, 0x04, 0, 0, 0, 0, 0, 0, 0, 0},
              [] {
                  const std::string cut = "0123456789abcdefghijABCDEFGHIJ01";
                  return TBytes(cut.begin(), cut.end());
              }())},
        {"", Join({8, 0, 0xCA, 0x85, 0x34, 0x12, 0xA1, 0x0D, 0x01, 0x02, 0x03, 0x04, 0, 0, 0, 0, 0, 0, 0, 0},
                  TBytes(32, 'E'))},
    };
    for (const auto& c : cases)
        EXPECT_EQ(BuildEchoRequest(0x1234, 3489, 0x04030201, c.Data), c.Expected) << c.Data;
}

TEST(Ping1, SendsTheRequestToTheTarget) {
    TFakeNetwork net;
    TRun run;
    auto ping = MakeClient(net, run);
    const std::uint32_t before = TickCountMs();
    ping->Ping("192.168.0.10");
    const std::uint32_t after = TickCountMs();

    ASSERT_EQ(net.Sent.size(), 1u);
    const TBytes& request = net.Sent[0];
    ASSERT_EQ(request.size(), 52u);
    EXPECT_EQ(net.SentTo[0], Device);
    EXPECT_EQ(request[0], 8);
    EXPECT_EQ(request[1], 0);
    // The one's complement sum over a correctly summed message is all ones.
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i < request.size(); i += 2)
        sum += static_cast<std::uint32_t>(request[i] << 8 | request[i + 1]);
    while (sum >> 16)
        sum = (sum & 0xFFFF) + (sum >> 16);
    EXPECT_EQ(sum, 0xFFFFu);
    const auto pid = static_cast<std::uint16_t>(getpid());
    EXPECT_EQ(request[4], pid & 0xFF);
    EXPECT_EQ(request[5], pid >> 8);
    EXPECT_EQ(request[6], 0xA1); // 3489
    EXPECT_EQ(request[7], 0x0D);
    const std::uint32_t originate =
        request[8] | request[9] << 8 | request[10] << 16 | std::uint32_t(request[11]) << 24;
    EXPECT_LE(originate - before, after - before);
    EXPECT_EQ(TBytes(request.begin() + 12, request.begin() + 20), TBytes(8, 0));
    EXPECT_EQ(std::string(request.begin() + 20, request.begin() + 32), "192.168.0.10");
    EXPECT_EQ(std::string(request.begin() + 32, request.end()), std::string(20, 'E'));
}

TEST(Ping1, AnswersWithTheRequestsSequenceComplete) {
    const struct {
        const char* Name;
        TBytes Answer;
        TIPv4Address From;
        std::uint8_t Type;
        TReplyKind Kind;
        bool Finds;
    } cases[] = {
        {"echo reply", Echo(0, 3489), Device, 0, TReplyKind::Echo, true},
        {"own request looped back", Echo(8, 3489), Device, 8, TReplyKind::Echo, true},
        {"echo reply behind a header with options", Echo(0, 3489, 6), Device, 0, TReplyKind::Echo, true},
        {"shortest echo reply", Cut(Echo(0, 3489), 28), Device, 0, TReplyKind::Echo, true},
        {"unreachable from a router", Report(3, 3489), Router, 3, TReplyKind::Unreachable, false},
        {"unreachable with header options", Report(3, 3489, 7), Router, 3, TReplyKind::Unreachable, false},
        {"time exceeded", Report(11, 3489), Router, 11, TReplyKind::TimeExceeded, false},
        {"shortest unreachable", Cut(Report(3, 3489), 56), Router, 3, TReplyKind::Unreachable, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        TFakeNetwork net;
        net.Answers.push_back({c.Answer, c.From});
        TRun run;
        auto ping = MakeClient(net, run);
        ping->Ping(Device.Text());
        ASSERT_EQ(run.Replies.size(), 1u);
        const TEchoReply& reply = run.Replies[0];
        EXPECT_EQ(reply.BytesReceived, c.Answer.size());
        EXPECT_EQ(reply.FromIpAddress, c.From.Text());
        EXPECT_EQ(reply.MsgType, c.Type);
        EXPECT_EQ(reply.SequenceId, 3489);
        EXPECT_EQ(reply.TimeToLive, 57);
        EXPECT_EQ(reply.ReplyStatusType, c.Kind);
        EXPECT_EQ(FindsDevice(reply), c.Finds);
        EXPECT_EQ(ping->SequenceNumber(), 3490);
        EXPECT_EQ(net.Closed, 1);
    }
}

TEST(Ping1, SkipsOtherSequenceNumbersUntilTheMatch) {
    TFakeNetwork net;
    net.Answers = {{Echo(0, 3488), Device},
                   {Echo(8, 0xA10D), Device}, // the request's bytes read the wrong way round
                   {Report(3, 3490), Router},
                   // another program's request with our sequence number
                   {Report(3, 3489, 5, static_cast<std::uint16_t>(OwnIcmpIdentifier() ^ 0x0100)), Router},
                   {Report(11, 3489, 5, static_cast<std::uint16_t>(OwnIcmpIdentifier() ^ 0x0001)), Router},
                   {Echo(0, 3489), Device},
                   {Echo(0, 3489), Router}};
    TRun run;
    auto ping = MakeClient(net, run);
    ping->Ping(Device.Text());
    ASSERT_EQ(run.Replies.size(), 1u);
    EXPECT_EQ(run.Replies[0].BytesReceived, 72u);
    EXPECT_EQ(run.Replies[0].FromIpAddress, "192.168.0.10");
    EXPECT_EQ(net.Answers.size(), 1u); // the answer after the match stays unread
}

TEST(Ping1, UnusableAnswersAreErrors) {
    TBytes noHeaderWords = Echo(0, 3489);
    noHeaderWords[0] = 0x40;
    TBytes fourHeaderWords = Echo(0, 3489);
    fourHeaderWords[0] = 0x44;
    const struct {
        const char* Name;
        std::vector<TBytes> Answers;
        std::string Why;
    } cases[] = {
        {"redirect before the reply",
         {Join(Header(), {5, 1, 0, 0, 10, 0, 0, 1}), Echo(0, 3489)},
         "ICMP type 5"},
        {"shorter than header and ICMP header", {Cut(Echo(0, 3489), 27)}, "27 bytes are too short"},
        {"options make it too short", {Cut(Echo(0, 3489, 6), 31)}, "31 bytes are too short"},
        {"empty datagram", {TBytes{}}, "empty datagram"},
        {"header length field 0", {noHeaderWords}, "length field is 0"},
        {"header length field 4", {fourHeaderWords}, "length field is 4"},
        {"unreachable cut in the quoted sequence", {Cut(Report(3, 3489), 55)}, "too short to quote"},
        {"time exceeded without quote", {Cut(Report(11, 3489), 28)}, "too short to quote"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        TFakeNetwork net;
        for (const auto& answer : c.Answers)
            net.Answers.push_back({answer, Router});
        TRun run;
        auto ping = MakeClient(net, run);
        try {
            ping->Ping(Device.Text());
            ADD_FAILURE() << "no error";
        } catch (const EPingError& e) {
            EXPECT_NE(std::string(e.what()).find("unusable answer from 10.0.0.1: "), std::string::npos)
                << e.what();
            EXPECT_NE(std::string(e.what()).find(c.Why), std::string::npos) << e.what();
        }
        EXPECT_TRUE(run.Replies.empty());
        EXPECT_EQ(ping->SequenceNumber(), 3489);
        EXPECT_EQ(net.Closed, net.Opened);
    }
}

TEST(Ping1, NoAnswerReportsZeroBytesWithoutError) {
    TFakeNetwork net;
    TRun run;
    auto ping = MakeClient(net, run);
    ping->Ping(Device.Text());
    ASSERT_EQ(run.Replies.size(), 1u);
    EXPECT_EQ(run.Replies[0].BytesReceived, 0u);
    EXPECT_EQ(run.Replies[0].ReplyStatusType, TReplyKind::Timeout);
    EXPECT_FALSE(FindsDevice(run.Replies[0]));
    EXPECT_EQ(ping->SequenceNumber(), 3490);
    EXPECT_EQ(net.Closed, 1);
    ASSERT_FALSE(net.WaitTimeouts.empty());
    EXPECT_LE(net.WaitTimeouts[0], 5000);
    EXPECT_GT(net.WaitTimeouts[0], 0);
}

TEST(Ping1, UnrelatedTrafficEndsAtTheReceiveTimeout) {
    TFakeNetwork net;
    net.EndlessUnrelated = true;
    net.Unrelated = Echo(0, 1);
    TRun run;
    auto ping = MakeClient(net, run);
    ping->ReceiveTimeout = 30;
    ping->Ping(Device.Text());
    ASSERT_EQ(run.Replies.size(), 1u);
    EXPECT_EQ(run.Replies[0].BytesReceived, 0u);
    // Every wait is for what is left of the one time-out, never a fresh one.
    ASSERT_GE(net.WaitTimeouts.size(), 2u);
    for (std::size_t i = 1; i < net.WaitTimeouts.size(); ++i)
        EXPECT_LE(net.WaitTimeouts[i], net.WaitTimeouts[i - 1]);
    EXPECT_LE(net.WaitTimeouts[0], 30);
}

TEST(Ping1, SequenceAdvancesOnlyAfterACompletedExchange) {
    TFakeNetwork net;
    TRun run;
    auto ping = MakeClient(net, run);
    ping->Ping("a"); // no answer: completes
    net.Answers.push_back({Echo(0, 3490), Device});
    ping->Ping("b"); // answered
    net.Answers.push_back({Join(Header(), {5, 1, 0, 0, 0, 0, 0, 0}), Router});
    EXPECT_THROW(ping->Ping("c"), EPingError); // unusable answer
    net.RefuseSend = true;
    EXPECT_THROW(ping->Ping("d"), EPingError); // refused send
    net.RefuseSend = false;
    net.SendShortBy = 1;
    EXPECT_THROW(ping->Ping("e"), EPingError); // short send
    net.SendShortBy = 0;
    ping->Host = "no-such-name";
    EXPECT_THROW(ping->Ping("f"), EPingError); // resolution
    ping->Host = Device.Text();
    ping->Ping("g");

    std::vector<std::uint16_t> sequences;
    for (const auto& request : net.Sent)
        sequences.push_back(SequenceOf(request));
    EXPECT_EQ(sequences, (std::vector<std::uint16_t>{3489, 3490, 3491, 3491, 3491}));
    EXPECT_EQ(run.Replies.size(), 3u);
    EXPECT_EQ(net.Closed, net.Opened);
    EXPECT_EQ(net.Opened, 6); // no socket for a name that does not resolve
}

TEST(Ping1, ResolvesTheTargetHost) {
    const struct {
        std::string Host;
        TIPv4Address Expected;
        bool LookedUp;
    } cases[] = {
        {"LOCALHOST", {{127, 0, 0, 1}}, false},      {"localhost", {{127, 0, 0, 1}}, false},
        {"LocalHost", {{127, 0, 0, 1}}, false},      {"192.168.0.10", Device, false},
        {"0.0.0.0", {{0, 0, 0, 0}}, false},          {"255.255.255.255", {{255, 255, 255, 255}}, false},
        {"010.001.000.009", {{10, 1, 0, 9}}, false}, {"converter.lan", {{10, 1, 2, 3}}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Host);
        TFakeNetwork net;
        TRun run;
        std::vector<std::string> lookedUp;
        auto ping = MakeClient(net, run, &lookedUp);
        ping->Host = c.Host;
        ping->Ping(c.Host);
        ASSERT_EQ(net.SentTo.size(), 1u);
        EXPECT_EQ(net.SentTo[0], c.Expected);
        EXPECT_EQ(lookedUp, c.LookedUp ? std::vector<std::string>{c.Host} : std::vector<std::string>{});
    }
    // Not four numbers from 0 to 255: the name service is asked, and its failure is an error.
    for (const std::string host : {"192.168.0.256", "1.2.3", "1.2.3.4.5", "1..2.3", "a.b.c.d", " 1.2.3.4",
                                   "1.2.3.4 ", "+1.2.3.4", "99999999999999999999.1.1.1", "", "localhost."}) {
        SCOPED_TRACE(host);
        TFakeNetwork net;
        TRun run;
        std::vector<std::string> lookedUp;
        auto ping = MakeClient(net, run, &lookedUp);
        ping->Host = host;
        EXPECT_THROW(ping->Ping(host), EPingError);
        EXPECT_EQ(lookedUp, std::vector<std::string>{host});
        EXPECT_TRUE(net.Sent.empty());
    }
}

TEST(Ping1, HeaderlessSocketFollowsTheSameRules) {
    // The datagram socket gives the quoted request back the identifier the client put in.
    const TBytes quotedRequest = BuildEchoRequest(OwnIcmpIdentifier(), 3489, 0, "x");
    const struct {
        const char* Name;
        TBytes Answer;
        TIPv4Address From;
        bool Error;
        std::size_t Bytes;
        std::uint8_t Type;
    } cases[] = {
        {"echo reply", IcmpEchoMessage(0, 3489), Device, false, 72, 0},
        {"other sequence", IcmpEchoMessage(0, 3490), Device, false, 0, 0},
        {"unreachable from the error queue",
         ComposeIcmpErrorMessage(3, 1, Device, quotedRequest.data(), quotedRequest.size()), Router, false,
         20 + 8 + 20 + 52, 3},
        {"time exceeded quoting 8 bytes", ComposeIcmpErrorMessage(11, 0, Device, quotedRequest.data(), 8),
         Router, false, 56, 11},
        {"time exceeded quoting 7 bytes", ComposeIcmpErrorMessage(11, 0, Device, quotedRequest.data(), 7),
         Router, true, 0, 0},
        {"7-byte message", Cut(IcmpEchoMessage(0, 3489), 7), Device, true, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        TFakeNetwork net;
        net.HeaderIncluded = false;
        net.Answers.push_back({c.Answer, c.From});
        TRun run;
        auto ping = MakeClient(net, run);
        if (c.Error) {
            EXPECT_THROW(ping->Ping(Device.Text()), EPingError);
            continue;
        }
        ping->Ping(Device.Text());
        ASSERT_EQ(run.Replies.size(), 1u);
        EXPECT_EQ(run.Replies[0].BytesReceived, c.Bytes);
        if (c.Bytes) {
            EXPECT_EQ(run.Replies[0].MsgType, c.Type);
            EXPECT_EQ(run.Replies[0].FromIpAddress, c.From.Text());
        }
    }
}

TEST(Ping1, RebuiltErrorMessageQuotesTheRequest) {
    const TBytes quoted = {8, 0, 0xAA, 0xBB, 0x34, 0x12, 0xA1, 0x0D};
    const TBytes message = ComposeIcmpErrorMessage(3, 1, Device, quoted.data(), quoted.size());
    const TBytes expected = {3,    1, 0x75, 0x23, 0,    0,    0,    0, // ICMP header with its checksum
                             0x45, 0, 0,    28,   0,    0,    0,    0,
                             128,  1, 0x7A, 0x2F,                          // inner header: 28 bytes, ICMP
                             0,    0, 0,    0,    192,  168,  0,    10,    // to the request's target
                             8,    0, 0xAA, 0xBB, 0x34, 0x12, 0xA1, 0x0D}; // the quoted request
    EXPECT_EQ(message, expected);
}

TEST(Ping1, EchoServiceStatusesFindOnlyAnEcho) {
    namespace S = EchoServiceStatus;
    const struct {
        std::uint32_t Status;
        TReplyKind Kind;
        bool Finds;
    } cases[] = {
        {S::Success, TReplyKind::Echo, true},
        {S::DestNetUnreachable, TReplyKind::Unreachable, false},
        {S::DestHostUnreachable, TReplyKind::Unreachable, false},
        {S::DestPortUnreachable, TReplyKind::Unreachable, false},
        {S::TtlExpiredTransit, TReplyKind::TimeExceeded, false},
        {S::TtlExpiredReassem, TReplyKind::TimeExceeded, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(EchoServiceStatusText(c.Status));
        TFakeNetwork net;
        net.Respond = [&c](const TBytes& request, const TIPv4Address& to) {
            const auto report = IcmpReportOfStatus(c.Status);
            EXPECT_EQ(report.has_value(), c.Status != S::Success);
            const auto [type, code] = report.value_or(std::make_pair(std::uint8_t{0}, std::uint8_t{0}));
            return EchoServiceDatagram(type, code, request, to, Router, 64,
                                       TBytes(request.begin() + 8, request.end()));
        };
        TRun run;
        auto ping = MakeClient(net, run);
        ping->Ping(Device.Text());
        ASSERT_EQ(run.Replies.size(), 1u);
        EXPECT_EQ(run.Replies[0].ReplyStatusType, c.Kind);
        EXPECT_EQ(run.Replies[0].BytesReceived, c.Finds ? 20u + 52u : 20u + 8u + 20u + 52u);
        EXPECT_EQ(FindsDevice(run.Replies[0]), c.Finds);
    }
    EXPECT_EQ(IcmpReportOfStatus(S::ReqTimedOut), std::nullopt);
    EXPECT_EQ(IcmpReportOfStatus(S::GeneralFailure), std::nullopt);
}

TEST(Ping1, PingsTheLoopbackForReal) {
    ZE_SKIP_WITHOUT_ICMP();
    for (const std::string host : {"127.0.0.1", "localhost"}) {
        SCOPED_TRACE(host);
        TPing1 ping;
        std::vector<TEchoReply> replies;
        ping.OnReply = [&replies](TPing1&, const TEchoReply& reply) { replies.push_back(reply); };
        ping.Host = host;
        ping.Ping(host);
        ASSERT_EQ(replies.size(), 1u);
        EXPECT_GT(replies[0].BytesReceived, 0u);
        EXPECT_EQ(replies[0].FromIpAddress, "127.0.0.1");
        EXPECT_TRUE(replies[0].MsgType == 0 || replies[0].MsgType == 8) << int(replies[0].MsgType);
        if (replies[0].MsgType == 8) { // our own request, as sent: with its time-to-live
            EXPECT_EQ(replies[0].TimeToLive, 128);
        }
    }
}

TEST(Ping1, UnresolvableNameIsAnError) {
    // A label over 63 characters cannot go into a name-service query, so the lookup fails on this
    // machine without asking any server.
    const std::string host = std::string(64, 'x') + ".invalid";
    TPing1 ping;
    ping.SocketFactory = []() -> std::unique_ptr<IIcmpSocket> { throw EPingError("no socket wanted"); };
    ping.Host = host;
    try {
        ping.Ping(host);
        ADD_FAILURE() << "no error";
    } catch (const EPingError& e) {
        EXPECT_EQ(std::string(e.what()).rfind("cannot resolve host '" + host + "': ", 0), 0u) << e.what();
    }
    EXPECT_EQ(ping.SequenceNumber(), 3489);
}

} // namespace
