#include "updater/UpdateExitCode.h"

#include <csignal>

int UpdateExitCode(const TUpdateSequence& sequence, int closeSignal) {
    if (closeSignal != 0)
        return ExitSignalBase + closeSignal;
    if (sequence.End == TSequenceEnd::Abandoned)
        return ExitSignalBase + SIGINT;
    if (sequence.End == TSequenceEnd::DeviceNotFound)
        return ExitDeviceNotFound;
    const TUpdateArguments& a = sequence.Arguments();
    if (a.FirmwareWrite && sequence.Firmware != PhaseOk)
        return ExitFirmwareFailed;
    if (a.ProjectWrite && sequence.Project != PhaseOk)
        return ExitProjectFailed;
    return ExitUpdated;
}
