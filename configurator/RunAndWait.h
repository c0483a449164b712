#pragma once

#include <string>

// Starting the updater and waiting for it, without processing window messages meanwhile.

constexpr int RunAndWaitPollMs = 10;
constexpr int RunAndWaitGiveUpMs = 150000;

struct TRunOutcome {
    bool Started = false;
    std::string Error;  // why the program could not be started
    bool Ended = false; // false: still running when the give-up time passed
    int ExitCode = -1;  // when Ended
};

// Starts program with the parameter text split into arguments by the updater's own command-line
// rules, then polls every RunAndWaitPollMs until it ends or giveUpMs have passed; a program still
// running then is left running. hidden is accepted for the caller's sake: no window is hidden
// here.
TRunOutcome RunAndWait(const std::string& program, const std::string& parameters, bool hidden,
                       int giveUpMs = RunAndWaitGiveUpMs);
