#include "configurator/Ping1.h"
#include "tools/Commands.h"

#include <cstdio>

namespace {

constexpr int ExitFound = 0;
constexpr int ExitNotFound = 1;
constexpr int ExitError = 2;

void PrintHelp(std::FILE* out) {
    std::fprintf(out,
                 "Usage: ze50321 ping ADDRESS\n\n"
                 "Sends one ICMP echo request to ADDRESS (LOCALHOST, four numbers 0..255, or a host name),\n"
                 "with ADDRESS itself as the request's data, and waits up to 5000 ms for the answer,\n"
                 "as the configurator's \"Ping Device\" does. Prints the outcome.\n\n"
                 "Exit status: 0 Device Found!, 1 Device Not Found!, 2 error (the reason on stderr),\n"
                 "64 unusable command line.\n"
                 "Needs a raw ICMP socket (CAP_NET_RAW) or ICMP datagram sockets permitted for the\n"
                 "user's group (/proc/sys/net/ipv4/ping_group_range).\n");
}

} // namespace

int RunPing(const std::vector<std::string>& args) {
    if (WantsHelp(args)) {
        PrintHelp(stdout);
        return 0;
    }
    if (args.size() != 1) {
        PrintHelp(stderr);
        return ExitUsage;
    }
    TPing1 ping;
    std::size_t bytesReceived = 0;
    ping.OnReply = [&bytesReceived](TPing1&, const TEchoReply& reply) {
        bytesReceived = reply.BytesReceived;
    };
    try {
        ping.Host = args[0];
        ping.Ping(args[0]);
    } catch (const std::exception& e) {
        std::printf("Error!!! Check the Ip Address\n");
        std::fprintf(stderr, "ze50321 ping: %s\n", e.what());
        return ExitError;
    }
    if (bytesReceived > 0) {
        std::printf("Device Found!\n");
        return ExitFound;
    }
    std::printf("Device Not Found!\n");
    return ExitNotFound;
}
