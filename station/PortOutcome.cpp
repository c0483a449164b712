#include "station/PortOutcome.h"

#include "updater/StatusTable.h"
#include "updater/UpdateExitCode.h"

#include <algorithm>

namespace {

std::string Trimmed(const std::string& text) {
    const auto end = text.find_last_not_of(' ');
    return end == std::string::npos ? std::string() : text.substr(0, end + 1);
}

// What ended a phase that did not end "OK": its last transfer's failure, else its line's text.
std::string PhaseReason(const TPortResult& result, TRegionId region, TStatusLine line, int code) {
    const auto last = std::find_if(result.Transfers.rbegin(), result.Transfers.rend(),
                                   [region](const TTransferRecord& t) { return t.Region == region; });
    if (last != result.Transfers.rend() && last->Failed) {
        if (last->GivenUp)
            return last->Read ? "not answered" : "not acknowledged";
        return Trimmed(last->PortError);
    }
    const TStatusEntry* entry = StatusEntry(line, code);
    return entry ? entry->Text : std::to_string(code);
}

int Rank(int code) {
    if (code >= ExitSignalBase)
        return 5;
    switch (code) {
    case ExitUpdated:
        return 0;
    case ExitDeviceNotFound:
        return 1;
    case ExitProjectFailed:
        return 2;
    case ExitFirmwareFailed:
        return 3;
    default:
        return 4;
    }
}

} // namespace

std::string FailureReason(const TPortResult& result, const std::string& runningLine) {
    switch (result.End) {
    case TSequenceEnd::DeviceNotFound:
        return "INIT Device Not Found";
    case TSequenceEnd::Abandoned:
        return runningLine + " interrupted";
    case TSequenceEnd::NotRun:
        return "INIT not run";
    case TSequenceEnd::Finished:
        break;
    }
    const TUpdateArguments& a = result.Arguments;
    if (a.FirmwareWrite && result.Firmware != PhaseOk)
        return "FIRMWARE " + PhaseReason(result, FirmwareRegion, TStatusLine::Firmware, result.Firmware);
    if (a.ProjectWrite && result.Project != PhaseOk)
        return "PROJECT " + PhaseReason(result, ConfigRegion, TStatusLine::Project, result.Project);
    return std::string();
}

int WorseExitCode(int a, int b) {
    return Rank(b) > Rank(a) ? b : a;
}

std::string SummaryText(const std::vector<TPortRow>& finished) {
    int ok = 0;
    std::string failed;
    for (const TPortRow& row : finished) {
        if (row.Result == ResultOk) {
            ++ok;
            continue;
        }
        failed += (failed.empty() ? "" : "; ") + row.Name + " " + row.Reason;
    }
    const auto errors = finished.size() - static_cast<std::size_t>(ok);
    std::string text = std::to_string(ok) + " " + ResultOk;
    if (errors > 0)
        text += ", " + std::to_string(errors) + " " + ResultError + ": " + failed;
    return text;
}

int StationExitCode(const std::vector<TPortRow>& finished) {
    int code = ExitUpdated;
    for (const TPortRow& row : finished)
        code = WorseExitCode(code, row.ExitCode);
    return code;
}
