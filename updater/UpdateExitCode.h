#pragma once

#include "updater/UpdateSequence.h"

// Exit codes of an update, as `ze50321 update` ends and the station reports each port.
constexpr int ExitUpdated = 0;
constexpr int ExitDeviceNotFound = 1;
constexpr int ExitFirmwareFailed = 2;
constexpr int ExitProjectFailed = 3;
constexpr int ExitNothingToDo = 4;
constexpr int ExitSignalBase = 128; // plus the signal's number: 130 for Ctrl-C

// The exit code of a run of the sequence; closeSignal is the close signal received (0: none), which
// decides for a sequence that was given up.
int UpdateExitCode(const TUpdateSequence& sequence, int closeSignal);
