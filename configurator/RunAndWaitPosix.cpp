#include "configurator/RunAndWait.h"

#include "common/CommandLine.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

// Programs given up on while still running; reaped on later calls so they leave no zombies.
std::vector<pid_t>& Abandoned() {
    static std::vector<pid_t> pids;
    return pids;
}

void ReapAbandoned() {
    auto& pids = Abandoned();
    for (auto it = pids.begin(); it != pids.end();) {
        if (::waitpid(*it, nullptr, WNOHANG) != 0)
            it = pids.erase(it);
        else
            ++it;
    }
}

} // namespace

TRunOutcome RunAndWait(const std::string& program, const std::string& parameters, bool /*hidden*/,
                       int giveUpMs) {
    ReapAbandoned();
    TRunOutcome outcome;

    std::vector<std::string> args = SplitCommandLine(parameters);
    args.insert(args.begin(), program);
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    if (::access(program.c_str(), X_OK) != 0) {
        outcome.Error = std::strerror(errno);
        return outcome;
    }
    pid_t pid = 0;
    const int rc = ::posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv.data(), environ);
    if (rc != 0) {
        outcome.Error = std::strerror(rc);
        return outcome;
    }
    outcome.Started = true;

    const auto t0 = std::chrono::steady_clock::now();
    for (;;) {
        int status = 0;
        const pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid || (done < 0 && errno != EINTR)) {
            outcome.Ended = true;
            outcome.ExitCode = done == pid && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            return outcome;
        }
        if (std::chrono::steady_clock::now() - t0 >= std::chrono::milliseconds(giveUpMs)) {
            Abandoned().push_back(pid);
            return outcome;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(RunAndWaitPollMs));
    }
}
