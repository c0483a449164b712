#pragma once

#include "station/PortRow.h"

#include <string>
#include <vector>

// What failed on a port whose update did not end "OK", in a few words after the line's name:
// "INIT Device Not Found", "FIRMWARE not acknowledged" (a write given up), "FIRMWARE not answered"
// (a read given up), "PROJECT Error After Read", "FIRMWARE Read error (Error: 5)", "FIRMWARE
// interrupted"; empty when every requested line ended "OK". runningLine is the line that ran last.
std::string FailureReason(const TPortResult& result, const std::string& runningLine);

// Of two exit codes the worse: a close signal (128 and up) before a firmware phase that failed (2),
// before a project phase that failed (3), before a device not found (1), before "OK" (0). A
// converter with a firmware half written is in a worse state than one whose image failed, and one
// not found was left as it was.
int WorseExitCode(int a, int b);

// The summary line: "12 OK, 1 Error: ttyUSB4 FIRMWARE not acknowledged", the failed ports joined by
// "; " in the order they were taken.
std::string SummaryText(const std::vector<TPortRow>& finished);

// The exit code of the station: 0 only when every port ended "OK", else the worst port's.
int StationExitCode(const std::vector<TPortRow>& finished);
