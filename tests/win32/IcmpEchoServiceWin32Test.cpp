#include "configurator/IcmpEchoServiceWin32.h"
#include "configurator/Ping1.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

// The fallback for users without administrator rights: the system's echo service, under the same
// reply rules as the raw socket.
TEST(IcmpEchoService, PingsTheLoopbackUnderTheRawSocketsRules) {
    TPing1 ping;
    ping.Host = "127.0.0.1";
    ping.ReceiveTimeout = 2000;
    ping.SocketFactory = OpenIcmpEchoService;
    bool answered = false;
    TEchoReply reply;
    ping.OnReply = [&](TPing1&, const TEchoReply& r) {
        answered = true;
        reply = r;
    };
    try {
        ping.Ping("ABCDEFGHIJKLMNOPQRSTUVWXYZ012345");
    } catch (const EPingError& e) {
        GTEST_SKIP() << "the system's echo service is not usable here: " << e.what();
    }
    ASSERT_TRUE(answered);
    EXPECT_EQ(reply.ReplyStatusType, TReplyKind::Echo);
    EXPECT_EQ(reply.FromIpAddress, "127.0.0.1");
    EXPECT_EQ(reply.MsgType, 0);
    EXPECT_EQ(reply.SequenceId, FirstSequenceNumber);
    // An IPv4 header, the ICMP header and the 44 bytes behind it, as from a raw socket.
    EXPECT_EQ(reply.BytesReceived, 20u + EchoRequestSize);
    EXPECT_GT(reply.TimeToLive, 0);
    EXPECT_EQ(ping.SequenceNumber(), FirstSequenceNumber + 1);
}
