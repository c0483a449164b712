#include "tools/Arguments.h"
#include "tools/Commands.h"
#include "tools/simulator/Simulator.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

namespace {

const char SimulateHelp[] =
    "Usage: ze50321 simulate [OPTIONS]\n\n"
    "Plays a ZE50321 converter's boot loader on a pseudo-terminal. The device path goes alone on\n"
    "the first line of standard output; the simulator then serves until SIGINT or SIGTERM.\n"
    "Memory space 0, 0x4000..0x27FFF, starts erased (0xFF). A stored write frame is answered\n"
    "\"00 O.K.\\r\", a refused one \"00 ERR!\\r\", a read command by 256 data digits and 2 checksum\n"
    "digits. Addresses must lie on 128-byte block boundaries.\n\n"
    "Options:\n"
    "  --baud N               answer no faster than a line of N bit/s (default 115200, 0 = at once)\n"
    "  --memory FILE          load the memory image (147456 bytes) if FILE exists, save it at the end\n"
    "  --link PATH            make a symbolic link PATH to the device (removed at the end)\n"
    "  --trace                one line per frame and reply on standard error\n"
    "  --silence-every N      leave every Nth write frame unanswered (not stored)\n"
    "  --refuse-every N       refuse every Nth write frame (not stored)\n"
    "  --bad-checksum-every N send a wrong checksum in every Nth data reply\n"
    "  --short-reply-every N  send every Nth data reply a byte short (two blanks in place of its\n"
    "                         digits), with the right checksum for the 127 bytes it carries\n"
    "  --split                send every reply in two halves, 5 ms apart\n"
    "  --split-gap MS         the gap between the halves (default 5); the workstation waits about\n"
    "                         100 ms for the rest of an acknowledge, so from about 100 on its first\n"
    "                         half is judged alone and the block is sent again\n"
    "  --noise                put blanks and CR/LF between the digits of data replies\n"
    "  --silent-after N       answer nothing after N frames\n"
    "  --corrupt-every N      store every Nth written block with one byte altered\n"
    "  --latency MS           hold each reply until MS ms after its first byte, as a USB adapter's\n"
    "                         latency timer does (16 by default on FTDI adapters; default 0)\n"
    "  --help                 show this text\n";

bool ParseCount(const std::string& text, int& value) {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    errno = 0;
    const long long number = std::strtoll(text.c_str(), nullptr, 10);
    if (errno != 0 || number > INT_MAX)
        return false;
    value = static_cast<int>(number);
    return true;
}

void IgnoreSignal(int) {}

} // namespace

int RunSimulate(const std::vector<std::string>& args) {
    TSimulatorOptions options;
    const std::pair<const char*, int*> counts[] = {
        {"--baud", &options.Baud},
        {"--silence-every", &options.SilenceEvery},
        {"--refuse-every", &options.RefuseEvery},
        {"--bad-checksum-every", &options.BadChecksumEvery},
        {"--short-reply-every", &options.ShortReplyEvery},
        {"--silent-after", &options.SilentAfter},
        {"--corrupt-every", &options.CorruptEvery},
        {"--split-gap", &options.SplitGapMs},
        {"--latency", &options.LatencyMs},
    };
    std::vector<TOptionRule> rules = {
        {"--memory", true}, {"--link", true}, {"--trace"}, {"--split"}, {"--noise"}};
    for (const auto& c : counts)
        rules.push_back({c.first, true});
    TArguments parsed(args, rules, 0);
    if (parsed.Help) {
        std::fputs(SimulateHelp, stdout);
        return 0;
    }
    for (const auto& [name, count] : counts)
        if (const auto value = parsed.Value(name); value && !ParseCount(*value, *count))
            parsed.Refuse(std::string(name) + ": '" + *value + "' is not a whole number from 0");
    for (const char* name : {"--memory", "--link"})
        if (const auto value = parsed.Value(name); value && value->empty())
            parsed.Refuse(std::string(name) + " needs a path");
    if (!parsed.Error.empty())
        return UsageError("simulate", parsed.Error, SimulateHelp);
    options.MemoryFile = parsed.Value("--memory").value_or("");
    options.LinkPath = parsed.Value("--link").value_or("");
    options.SplitReplies = parsed.Has("--split");
    options.NoisyReplies = parsed.Has("--noise");
    if (parsed.Has("--trace"))
        options.Trace = [](const std::string& line) { std::fprintf(stderr, "%s\n", line.c_str()); };

    // The signals are taken by sigwait below; the handler only keeps an inherited "ignore" from
    // discarding them, and blocking them first keeps them off the serving thread.
    struct sigaction action {};
    action.sa_handler = IgnoreSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    TSimulator simulator(options);
    try {
        simulator.Start();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "ze50321 simulate: %s\n", e.what());
        return 1;
    }
    std::printf("%s\n", simulator.DevicePath().c_str());
    std::fflush(stdout);

    int received = 0;
    while (sigwait(&stopSignals, &received) != 0) {
    }
    simulator.Stop();
    const std::string saveError = simulator.SaveError();
    if (!saveError.empty()) {
        std::fprintf(stderr, "ze50321 simulate: %s\n", saveError.c_str());
        return 1;
    }
    return 0;
}
