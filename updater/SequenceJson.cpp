#include "updater/SequenceJson.h"

#include "updater/StatusTable.h"

#include <utility>

void WriteLineTexts(TJsonWriter& json, int init, int firmware, int project) {
    json.Key("lines").BeginObject();
    const std::pair<const char*, std::pair<TStatusLine, int>> lines[] = {
        {"init", {TStatusLine::Init, init}},
        {"firmware", {TStatusLine::Firmware, firmware}},
        {"project", {TStatusLine::Project, project}}};
    for (const auto& [name, line] : lines) {
        const TStatusEntry* entry = StatusEntry(line.first, line.second);
        json.Member(name, entry ? entry->Text : "");
    }
    json.EndObject();
}

void WriteTransfers(TJsonWriter& json, const std::vector<TTransferRecord>& transfers, bool withReason) {
    json.Key("transfers").BeginArray();
    for (const TTransferRecord& t : transfers) {
        json.BeginObject()
            .Member("region", t.Region == FirmwareRegion ? "firmware" : "project")
            .Member("direction", t.Read ? "read" : "write")
            .Member("blocks", t.Blocks)
            .Member("retries", t.Retries)
            .Member("bytes", t.Bytes)
            .Member("seconds", t.Seconds)
            .Member("failed", t.Failed)
            .Member("given_up", t.GivenUp)
            .Member("error", t.PortError);
        if (withReason)
            json.Member("reason", t.PortErrorReason);
        json.EndObject();
    }
    json.EndArray();
}
