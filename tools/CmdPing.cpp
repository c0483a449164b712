#include "icmp/Ping1.h"
#include "tools/Arguments.h"
#include "tools/Commands.h"
#include "tools/json/JsonWriter.h"

#include <cstdio>

namespace {

constexpr int ExitFound = 0;
constexpr int ExitNotFound = 1;
constexpr int ExitError = 2;

const char* const Help =
    "Usage: ze50321 ping [--json] ADDRESS\n\n"
    "Sends one ICMP echo request to ADDRESS (LOCALHOST, four numbers 0..255, or a host name),\n"
    "with ADDRESS itself as the request's data, and waits up to 5000 ms for the answer,\n"
    "as the configurator's \"Ping Device\" does. Prints the outcome.\n\n"
    "Exit status: 0 Device Found!, 1 Device Not Found!, 2 error (the reason on stderr),\n"
    "64 unusable command line.\n"
    "Only an echo reply finds the device; an unreachable or time-exceeded report about the\n"
    "request ends the wait with Device Not Found!.\n"
    "With --json: one JSON document on standard output (address, outcome text, found, the\n"
    "answer's kind and bytes received, error, exit code); the text then goes to standard error.\n"
    "Needs a raw ICMP socket (CAP_NET_RAW) or ICMP datagram sockets permitted for the\n"
    "user's group (/proc/sys/net/ipv4/ping_group_range).\n";

} // namespace

// The outcome: the text on the terminal, or the JSON document with the text on standard error.
int Answer(bool json, const std::string& address, const char* text, const TEchoReply& reply,
           const std::string& error, int code) {
    std::fprintf(json ? stderr : stdout, "%s\n", text);
    if (!error.empty())
        std::fprintf(stderr, "ze50321 ping: %s\n", error.c_str());
    if (json)
        std::fputs(TJsonWriter()
                       .BeginObject()
                       .Member("address", address)
                       .Member("text", text)
                       .Member("found", code == ExitFound)
                       .Member("reply", error.empty() ? ReplyKindName(reply.ReplyStatusType) : "")
                       .Member("bytes_received", static_cast<unsigned long>(reply.BytesReceived))
                       .Member("error", error)
                       .Member("exit_code", code)
                       .EndObject()
                       .Text()
                       .c_str(),
                   stdout);
    return code;
}

int RunPing(const std::vector<std::string>& arguments) {
    TArguments parsed(arguments, {{"--json"}}, 1);
    if (parsed.Help) {
        std::fputs(Help, stdout);
        return 0;
    }
    const bool json = parsed.Has("--json");
    parsed.NeedPositional(1, "ADDRESS is needed");
    if (!parsed.Error.empty())
        return UsageError("ping", parsed.Error, Help, json);
    const std::vector<std::string>& args = parsed.Positional;
    TPing1 ping;
    TEchoReply reply;
    ping.OnReply = [&reply](TPing1&, const TEchoReply& got) { reply = got; };
    try {
        ping.Host = args[0];
        ping.Ping(args[0]);
    } catch (const std::exception& e) {
        return Answer(json, args[0], "Error!!! Check the Ip Address", TEchoReply(), e.what(), ExitError);
    }
    if (FindsDevice(reply))
        return Answer(json, args[0], "Device Found!", reply, "", ExitFound);
    return Answer(json, args[0], "Device Not Found!", reply, "", ExitNotFound);
}
