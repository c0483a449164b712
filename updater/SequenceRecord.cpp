#include "updater/SequenceRecord.h"

#include "record/RecordFile.h"
#include "record/RecordPlace.h"
#include "updater/StatusTable.h"
#include "updater/UpdateExitCode.h"

namespace {

std::string LineText(TStatusLine line, int code) {
    const TStatusEntry* entry = StatusEntry(line, code);
    return entry ? entry->Text : "";
}

} // namespace

int SequenceExitCode(const TUpdateSequence& sequence) {
    return UpdateExitCode(sequence, 0);
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
