#include "updater/SequenceRecord.h"

#include "record/RecordFile.h"
#include "record/RecordPlace.h"
#include "updater/StatusTable.h"

namespace {

std::string LineText(TStatusLine line, int code) {
    const TStatusEntry* entry = StatusEntry(line, code);
    return entry ? entry->Text : "";
}

constexpr int ExitUpdated = 0;
constexpr int ExitDeviceNotFound = 1;
constexpr int ExitFirmwareFailed = 2;
constexpr int ExitProjectFailed = 3;
constexpr int ExitGivenUp = 130; // as for Ctrl-C

} // namespace

int SequenceExitCode(const TUpdateSequence& sequence) {
    if (sequence.End == TSequenceEnd::Abandoned)
        return ExitGivenUp;
    if (sequence.End == TSequenceEnd::DeviceNotFound)
        return ExitDeviceNotFound;
    const TUpdateArguments& a = sequence.Arguments();
    if (a.FirmwareWrite && sequence.Firmware != PhaseOk)
        return ExitFirmwareFailed;
    if (a.ProjectWrite && sequence.Project != PhaseOk)
        return ExitProjectFailed;
    return ExitUpdated;
}

TUpdateRecord SequenceRecord(const TUpdateSequence& sequence, const TRecordContext& context) {
    const TUpdateArguments& a = sequence.Arguments();
    TUpdateRecord r;
    r.Start = context.Start;
    r.End = context.End;
    r.Host = HostName();
    r.User = UserName();
    r.Program = context.Program;
    r.Port = a.PortName;
    r.Adapter = context.Adapter;
    r.FirmwareFile = a.FirmwareFile;
    r.ProjectFolder = a.ProjectFolder;
    r.FirmwareWrite = a.FirmwareWrite;
    r.FirmwareRead = a.FirmwareRead;
    r.ProjectWrite = a.ProjectWrite;
    r.ProjectRead = a.ProjectRead;
    r.InitLine = LineText(TStatusLine::Init, sequence.Init);
    r.FirmwareLine = LineText(TStatusLine::Firmware, sequence.Firmware);
    r.ProjectLine = LineText(TStatusLine::Project, sequence.Project);
    for (const TTransferRecord& t : sequence.Transfers) {
        TRecordTransfer out;
        out.Region = t.Region == FirmwareRegion ? "firmware" : "project";
        out.Direction = t.Read ? "read" : "write";
        out.Blocks = t.Blocks;
        out.Retries = t.Retries;
        out.Bytes = t.Bytes;
        out.Seconds = t.Seconds;
        out.Failed = t.Failed;
        out.GivenUp = t.GivenUp;
        out.Error = t.Failed ? PortFailureText(t) : "";
        r.Transfers.push_back(out);
    }
    r.ExitCode = context.ExitCode;
    r.Label = context.Label;
    return r;
}

bool RecordSequence(const TUpdateSequence& sequence, const TRecordContext& context, const std::string& file,
                    std::string& why) {
    return AppendRecordLine(file, UpdateRecordLine(SequenceRecord(sequence, context)), why);
}

bool RecordSequence(const TUpdateSequence& sequence, const TRecordContext& context, std::string& why) {
    const std::string file = ChosenRecordFile("");
    if (file.empty()) {
        why = "no folder for it is known (set ZE50321_RECORDS)";
        return false;
    }
    return RecordSequence(sequence, context, file, why);
}
